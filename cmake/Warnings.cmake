# Warnings for our own targets; CI turns them into errors.
add_library(ml_warnings INTERFACE)
target_compile_options(ml_warnings INTERFACE
    -Wall -Wextra -Wold-style-cast -Wnon-virtual-dtor -Woverloaded-virtual)
if(DEFINED ENV{CI} AND NOT "$ENV{CI}" STREQUAL "" AND NOT "$ENV{CI}" STREQUAL "false")
    target_compile_options(ml_warnings INTERFACE -Werror)
endif()
