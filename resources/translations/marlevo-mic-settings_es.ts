<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es" sourcelanguage="en">
<context>
    <name>ConfigurationSheet</name>
    <message>
        <source>Microphone Settings</source>
        <translation>Ajustes del micrófono</translation>
    </message>
    <message>
        <source>The settings are written to the microphone when you click OK.</source>
        <translation>Los ajustes se guardan en el micrófono al hacer clic en Aceptar.</translation>
    </message>
    <message>
        <source>&amp;Name:</source>
        <translation>&amp;Nombre:</translation>
    </message>
    <message>
        <source>Microphone name</source>
        <translation>Nombre del micrófono</translation>
    </message>
    <message>
        <source>Up to %1 characters: letters, digits, spaces and punctuation.</source>
        <translation>Hasta %1 caracteres: letras, dígitos, espacios y signos de puntuación.</translation>
    </message>
    <message>
        <source>Switch position &amp;1:</source>
        <translation>Posición &amp;1 del selector:</translation>
    </message>
    <message>
        <source>Channel for switch position 1</source>
        <translation>Canal de la posición 1 del selector</translation>
    </message>
    <message>
        <source>Switch position &amp;2:</source>
        <translation>Posición &amp;2 del selector:</translation>
    </message>
    <message>
        <source>Channel for switch position 2</source>
        <translation>Canal de la posición 2 del selector</translation>
    </message>
    <message>
        <source>About the &amp;Channel Switch…</source>
        <translation>Acerca del &amp;selector de canal…</translation>
    </message>
    <message>
        <source>About the channel switch</source>
        <translation>Acerca del selector de canal</translation>
    </message>
    <message>
        <source>Explains the two switch positions and which channels need extra equipment.</source>
        <translation>Explica las dos posiciones del selector y qué canales necesitan equipo adicional.</translation>
    </message>
    <message>
        <source>C&amp;overage:</source>
        <translation>&amp;Cobertura:</translation>
    </message>
    <message>
        <source>Coverage</source>
        <translation>Cobertura</translation>
    </message>
    <message>
        <source>&amp;Factory Defaults…</source>
        <translation>&amp;Valores de fábrica…</translation>
    </message>
    <message>
        <source>Saving</source>
        <translation>Guardando</translation>
    </message>
    <message>
        <source>Saving…</source>
        <translation>Guardando…</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>Aceptar</translation>
    </message>
</context>
<context>
    <name>ConnectMessageView</name>
    <message>
        <source>Waiting for a microphone</source>
        <translation>Esperando un micrófono</translation>
    </message>
    <message>
        <source>Connect a microphone</source>
        <translation>Conecte un micrófono</translation>
    </message>
    <message>
        <source>Plug your Marlevo microphone into a USB port of this computer with its USB cable.</source>
        <translation>Conecte su micrófono Marlevo a un puerto USB de este equipo con su cable USB.</translation>
    </message>
</context>
<context>
    <name>CriticalErrorView</name>
    <message>
        <source>Marlevo Microphone Settings cannot communicate with the device.</source>
        <translation>Marlevo Microphone Settings no puede comunicarse con el dispositivo.</translation>
    </message>
    <message>
        <source>Unplug the microphone and plug it in again. If the problem persists, contact Marlevo Customer Care.</source>
        <translation>Desconecte el micrófono y vuelva a conectarlo. Si el problema continúa, póngase en contacto con Marlevo Customer Care.</translation>
    </message>
</context>
<context>
    <name>DisconnectMessageView</name>
    <message>
        <source>The microphone is not responding</source>
        <translation>El micrófono no responde</translation>
    </message>
    <message>
        <source>Unplug the microphone, wait a few seconds and plug it in again. If this keeps happening, contact Marlevo Customer Care.</source>
        <translation>Desconecte el micrófono, espere unos segundos y vuelva a conectarlo. Si vuelve a ocurrir, póngase en contacto con Marlevo Customer Care.</translation>
    </message>
</context>
<context>
    <name>DisconnectMultiMessageView</name>
    <message>
        <source>More than one microphone is connected</source>
        <translation>Hay más de un micrófono conectado</translation>
    </message>
    <message>
        <source>Settings work with one microphone at a time. Unplug the other microphones and leave only the one you want to set up.</source>
        <translation>Los ajustes se aplican a un solo micrófono a la vez. Desconecte los demás micrófonos y deje conectado solo el que quiera configurar.</translation>
    </message>
</context>
<context>
    <name>MLAppDelegate</name>
    <message>
        <source>Marlevo Microphone Settings</source>
        <translation>Marlevo Microphone Settings</translation>
    </message>
    <message>
        <source>%1 %</source>
        <translation>%1 %</translation>
    </message>
    <message>
        <source>Firmware update available: %1 → %2</source>
        <translation>Actualización de firmware disponible: %1 → %2</translation>
    </message>
    <message>
        <source>Marlevo Microphone Settings cannot communicate with the device.</source>
        <translation>Marlevo Microphone Settings no puede comunicarse con el dispositivo.</translation>
    </message>
    <message>
        <source>Microphone</source>
        <translation>Micrófono</translation>
    </message>
    <message>
        <source>Teacher Microphone</source>
        <translation>Micrófono del profesor</translation>
    </message>
    <message>
        <source>Student Microphone</source>
        <translation>Micrófono del alumno</translation>
    </message>
    <message>
        <source>Reading the microphone…</source>
        <translation>Leyendo el micrófono…</translation>
    </message>
    <message>
        <source>Marlevo Microphone Settings is asking the microphone for its name and settings.</source>
        <translation>Marlevo Microphone Settings está pidiendo al micrófono su nombre y sus ajustes.</translation>
    </message>
    <message>
        <source>You may not open the microphone&apos;s port because its device rule is missing. Install the marlevo-mic-settings package, then unplug the microphone and plug it in again.</source>
        <translation>No tiene permiso para abrir el puerto del micrófono porque falta su regla de dispositivo. Instale el paquete marlevo-mic-settings y, después, desconecte el micrófono y vuelva a conectarlo.</translation>
    </message>
    <message>
        <source>The device rule is installed, but your session has not been given the microphone yet. Unplug the microphone and plug it in again.</source>
        <translation>La regla de dispositivo está instalada, pero su sesión aún no ha recibido el micrófono. Desconecte el micrófono y vuelva a conectarlo.</translation>
    </message>
    <message>
        <source>ModemManager (process %1) is holding the microphone&apos;s port. The device rule of the marlevo-mic-settings package keeps it away: install the package, then unplug the microphone and plug it in again.</source>
        <translation>ModemManager (proceso %1) está ocupando el puerto del micrófono. La regla de dispositivo del paquete marlevo-mic-settings lo mantiene alejado: instale el paquete y, después, desconecte el micrófono y vuelva a conectarlo.</translation>
    </message>
    <message>
        <source>The program %1 (process %2) is using the microphone&apos;s port. Close it, then unplug the microphone and plug it in again.</source>
        <translation>El programa %1 (proceso %2) está usando el puerto del micrófono. Ciérrelo y, después, desconecte el micrófono y vuelva a conectarlo.</translation>
    </message>
    <message>
        <source>Another program is using the microphone&apos;s port. Close it, then unplug the microphone and plug it in again.</source>
        <translation>Otro programa está usando el puerto del micrófono. Ciérrelo y, después, desconecte el micrófono y vuelva a conectarlo.</translation>
    </message>
</context>
<context>
    <name>MLBatteryGauge</name>
    <message>
        <source>Battery level</source>
        <translation>Nivel de batería</translation>
    </message>
    <message>
        <source>%1 percent</source>
        <translation>%1 por ciento</translation>
    </message>
</context>
<context>
    <name>MLBusyIndicator</name>
    <message>
        <source>Busy</source>
        <translation>Ocupado</translation>
    </message>
</context>
<context>
    <name>MLConfigurationSheetController</name>
    <message>
        <source>Marlevo Microphone Settings</source>
        <translation>Marlevo Microphone Settings</translation>
    </message>
    <message>
        <source>The microphone cannot store that character. Use letters A to Z, digits, spaces and punctuation.</source>
        <translation>El micrófono no puede guardar ese carácter. Use letras de la A a la Z, dígitos, espacios y signos de puntuación.</translation>
    </message>
    <message>
        <source>Are you sure you want to reset the Microphone settings back to their factory defaults?</source>
        <translation>¿Seguro que quiere restablecer los valores de fábrica del micrófono?</translation>
    </message>
    <message>
        <source>Reset Microphone</source>
        <translation>Restablecer micrófono</translation>
    </message>
    <message>
        <source>Do Not Reset</source>
        <translation>No restablecer</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Sí</translation>
    </message>
    <message>
        <source>No</source>
        <translation>No</translation>
    </message>
    <message>
        <source>Do not show this message again</source>
        <translation>No volver a mostrar este mensaje</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>Aceptar</translation>
    </message>
    <message>
        <source>Configuration could not be saved</source>
        <translation>No se pudieron guardar los ajustes</translation>
    </message>
    <message>
        <source>An error occurred and the microphone configuration could not be saved.

Close this message, disconnect the microphone and reconnect to try again. If the problem persists please contact Marlevo Customer Care.</source>
        <translation>Se produjo un error y no se guardaron los ajustes del micrófono.

Cierre este mensaje, desconecte el micrófono y vuelva a conectarlo para intentarlo de nuevo. Si el problema continúa, póngase en contacto con Marlevo Customer Care.</translation>
    </message>
    <message>
        <source>No new value was written to the microphone.</source>
        <translation>No se escribió ningún valor nuevo en el micrófono.</translation>
    </message>
    <message>
        <source>The microphone took these new values before the failure: %1.</source>
        <translation>Antes del fallo, el micrófono aceptó estos valores nuevos: %1.</translation>
    </message>
    <message numerus="yes">
        <source>The name cannot be longer than %n characters.</source>
        <translation>
            <numerusform>El nombre no puede tener más de %n carácter.</numerusform>
            <numerusform>El nombre no puede tener más de %n caracteres.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>MLDeviceManager</name>
    <message>
        <source>Timeout</source>
        <translation>Timeout</translation>
    </message>
</context>
<context>
    <name>MLLengthFormatter</name>
    <message>
        <source>String too long</source>
        <translation>Texto demasiado largo</translation>
    </message>
    <message>
        <source>Character not allowed</source>
        <translation>Carácter no permitido</translation>
    </message>
</context>
<context>
    <name>MLSettingsRules</name>
    <message>
        <source>A</source>
        <translation>A</translation>
    </message>
    <message>
        <source>B</source>
        <translation>B</translation>
    </message>
    <message>
        <source>C</source>
        <translation>C</translation>
    </message>
    <message>
        <source>D</source>
        <translation>D</translation>
    </message>
    <message>
        <source>E</source>
        <translation>E</translation>
    </message>
    <message>
        <source>Legacy A</source>
        <translation>Legacy A</translation>
    </message>
    <message>
        <source>Legacy B</source>
        <translation>Legacy B</translation>
    </message>
    <message>
        <source>Name cannot be blank</source>
        <translation>El nombre no puede estar vacío</translation>
    </message>
    <message>
        <source>Name contains characters the microphone cannot store</source>
        <translation>El nombre contiene caracteres que el micrófono no puede guardar</translation>
    </message>
    <message>
        <source>Name is too long</source>
        <translation>El nombre es demasiado largo</translation>
    </message>
    <message>
        <source>Name cannot contain “keyset1.txt”</source>
        <translation>El nombre no puede contener «keyset1.txt»</translation>
    </message>
    <message>
        <source>Channels assignments must be different</source>
        <translation>Los canales deben ser distintos</translation>
    </message>
    <message>
        <source>Please enter a name for the microphone, with a maximum of 12 characters.</source>
        <translation>Escriba un nombre para el micrófono, de 12 caracteres como máximo.</translation>
    </message>
    <message>
        <source>Please use only the letters A to Z, digits, spaces and punctuation in the microphone name.</source>
        <translation>En el nombre del micrófono, use solo letras de la A a la Z, dígitos, espacios y signos de puntuación.</translation>
    </message>
    <message>
        <source>The microphone uses “keyset1.txt” to report that it needs recovery. Please choose a name without it.</source>
        <translation>El micrófono usa «keyset1.txt» para indicar que necesita recuperarse. Elija un nombre que no lo contenga.</translation>
    </message>
    <message>
        <source>You cannot assign the same channel to both switch positions on your microphone. Please assign a unique channel to each microphone channel switch position.</source>
        <translation>No puede asignar el mismo canal a las dos posiciones del selector de canal. Asigne un canal distinto a cada posición.</translation>
    </message>
    <message>
        <source>Confirm legacy channels</source>
        <translation>Confirmar canales Legacy</translation>
    </message>
    <message>
        <source>Confirm extended channels</source>
        <translation>Confirmar canales ampliados</translation>
    </message>
    <message>
        <source>A channel you have selected (Legacy A or Legacy B) will not function with the Marlevo Orvik System. These channels are for use with other Marlevo Systems.

Do you want to continue?</source>
        <translation>Uno de los canales seleccionados (Legacy A o Legacy B) no funciona con el Marlevo Orvik System. Estos canales son para otros sistemas Marlevo.

¿Quiere continuar?</translation>
    </message>
    <message>
        <source>A channel you have selected (C, D or E) will not function without the optional Orvik Channel Expansion Module installed.

Do you want to continue?</source>
        <translation>Uno de los canales seleccionados (C, D o E) solo funciona si está instalado el Orvik Channel Expansion Module opcional.

¿Quiere continuar?</translation>
    </message>
    <message>
        <source>Unknown (%1)</source>
        <translation>Desconocido (%1)</translation>
    </message>
    <message>
        <source>Microphone</source>
        <translation>Micrófono</translation>
    </message>
    <message>
        <source>1: the smallest area, a group around the teacher</source>
        <translation>1: el área más pequeña, un grupo alrededor del profesor</translation>
    </message>
    <message>
        <source>2: a small classroom</source>
        <translation>2: un aula pequeña</translation>
    </message>
    <message>
        <source>3: a usual classroom (factory setting)</source>
        <translation>3: un aula normal (valor de fábrica)</translation>
    </message>
    <message>
        <source>4: a large classroom</source>
        <translation>4: un aula grande</translation>
    </message>
    <message>
        <source>5: the largest area, a hall or gym</source>
        <translation>5: el área más grande, un salón de actos o un gimnasio</translation>
    </message>
    <message>
        <source>%1: a value this application does not know; it is kept as it is</source>
        <translation>%1: un valor que esta aplicación no conoce; se mantiene tal cual</translation>
    </message>
</context>
<context>
    <name>MLSettingsSave</name>
    <message>
        <source>the name</source>
        <translation>el nombre</translation>
    </message>
    <message>
        <source>switch position 1</source>
        <translation>la posición 1 del selector</translation>
    </message>
    <message>
        <source>switch position 2</source>
        <translation>la posición 2 del selector</translation>
    </message>
    <message>
        <source>the coverage</source>
        <translation>la cobertura</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Marlevo Microphone Settings</source>
        <translation>Marlevo Microphone Settings</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Archivo</translation>
    </message>
    <message>
        <source>&amp;Tools</source>
        <translation>&amp;Herramientas</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>A&amp;yuda</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Salir</translation>
    </message>
    <message>
        <source>Ctrl+Q</source>
        <translation>Ctrl+Q</translation>
    </message>
    <message>
        <source>&amp;Diagnostics</source>
        <translation>&amp;Diagnóstico</translation>
    </message>
    <message>
        <source>Marlevo Microphone Settings &amp;Help</source>
        <translation>A&amp;yuda de Marlevo Microphone Settings</translation>
    </message>
    <message>
        <source>F1</source>
        <translation>F1</translation>
    </message>
</context>
<context>
    <name>MicInfoView</name>
    <message>
        <source>Microphone picture</source>
        <translation>Imagen del micrófono</translation>
    </message>
    <message>
        <source>Microphone</source>
        <translation>Micrófono</translation>
    </message>
    <message>
        <source>Teacher Microphone</source>
        <translation>Micrófono del profesor</translation>
    </message>
    <message>
        <source>Serial number</source>
        <translation>Número de serie</translation>
    </message>
    <message>
        <source>Firmware</source>
        <translation>Firmware</translation>
    </message>
    <message>
        <source>0.00</source>
        <translation>0.00</translation>
    </message>
    <message>
        <source>Battery</source>
        <translation>Batería</translation>
    </message>
    <message>
        <source>0 %</source>
        <translation>0 %</translation>
    </message>
    <message>
        <source>A newer firmware is available for this microphone.</source>
        <translation>Hay un firmware más reciente para este micrófono.</translation>
    </message>
    <message>
        <source>&amp;Settings…</source>
        <translation>&amp;Ajustes…</translation>
    </message>
</context>
<context>
    <name>RestartingView</name>
    <message>
        <source>The microphone is restarting</source>
        <translation>El micrófono se está reiniciando</translation>
    </message>
    <message>
        <source>It reported that it needs to start again. If this message stays for more than a minute, unplug the microphone and plug it in again.</source>
        <translation>Ha indicado que necesita reiniciarse. Si este mensaje sigue visible más de un minuto, desconecte el micrófono y vuelva a conectarlo.</translation>
    </message>
</context>
<context>
    <name>SwitchInfoWindow</name>
    <message>
        <source>About the Channel Switch</source>
        <translation>Acerca del selector de canal</translation>
    </message>
    <message>
        <source>The Channel Switch</source>
        <translation>El selector de canal</translation>
    </message>
    <message>
        <source>The microphone has a channel switch with two positions. In each position it uses the channel you assign to that position in the settings, so the wearer can change between two channels with the switch alone. The two positions must use different channels.</source>
        <translation>El micrófono tiene un selector de canal con dos posiciones. En cada posición usa el canal que usted le asigne en los ajustes, de modo que quien lo lleva puede cambiar entre dos canales solo con el selector. Las dos posiciones deben usar canales distintos.</translation>
    </message>
    <message>
        <source>A and B</source>
        <translation>A y B</translation>
    </message>
    <message>
        <source>Work with every Marlevo Orvik System.</source>
        <translation>Funcionan con cualquier Marlevo Orvik System.</translation>
    </message>
    <message>
        <source>C, D and E</source>
        <translation>C, D y E</translation>
    </message>
    <message>
        <source>Need the optional Orvik Channel Expansion Module installed in the Marlevo Orvik System.</source>
        <translation>Necesitan el Orvik Channel Expansion Module opcional instalado en el Marlevo Orvik System.</translation>
    </message>
    <message>
        <source>Legacy A and B</source>
        <translation>Legacy A y B</translation>
    </message>
    <message>
        <source>For use with other Marlevo Systems. They do not work with the Marlevo Orvik System.</source>
        <translation>Para otros sistemas Marlevo. No funcionan con el Marlevo Orvik System.</translation>
    </message>
    <message>
        <source>Not sure? Use A for position 1 and B for position 2, as the microphone comes from the factory.</source>
        <translation>¿Tiene dudas? Use A para la posición 1 y B para la posición 2, como viene de fábrica.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>Aceptar</translation>
    </message>
    <message>
        <source>Coverage</source>
        <translation>Cobertura</translation>
    </message>
</context>
</TS>
