#pragma once

// Stores a property's new value; true when it differs from the old one, so
// that the setter tells observers only about real changes:
//     if (MLAssignIfChanged(m_busy, busy))
//         emit busyChanged(busy);
template<typename T> bool MLAssignIfChanged(T &field, const T &value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}
