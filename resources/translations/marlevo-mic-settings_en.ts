<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>ConfigurationSheet</name>
    <message>
        <source>Microphone Settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The settings are written to the microphone when you click OK.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Name:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Microphone name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Up to %1 characters: letters, digits, spaces and punctuation.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Switch position &amp;1:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Channel for switch position 1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Switch position &amp;2:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Channel for switch position 2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About the &amp;Channel Switch…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About the channel switch</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Explains the two switch positions and which channels need extra equipment.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>C&amp;overage:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Coverage</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Factory Defaults…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Saving</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Saving…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ConnectMessageView</name>
    <message>
        <source>Waiting for a microphone</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Connect a microphone</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Plug your Marlevo microphone into a USB port of this computer with its USB cable.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CriticalErrorView</name>
    <message>
        <source>Marlevo Microphone Settings cannot communicate with the device.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unplug the microphone and plug it in again. If the problem persists, contact Marlevo Customer Care.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>DisconnectMessageView</name>
    <message>
        <source>The microphone is not responding</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unplug the microphone, wait a few seconds and plug it in again. If this keeps happening, contact Marlevo Customer Care.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>DisconnectMultiMessageView</name>
    <message>
        <source>More than one microphone is connected</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Settings work with one microphone at a time. Unplug the other microphones and leave only the one you want to set up.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MLAppDelegate</name>
    <message>
        <source>Marlevo Microphone Settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 %</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Firmware update available: %1 → %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Marlevo Microphone Settings cannot communicate with the device.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Microphone</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Teacher Microphone</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Student Microphone</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reading the microphone…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Marlevo Microphone Settings is asking the microphone for its name and settings.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>You may not open the microphone&apos;s port because its device rule is missing. Install the marlevo-mic-settings package, then unplug the microphone and plug it in again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The device rule is installed, but your session has not been given the microphone yet. Unplug the microphone and plug it in again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ModemManager (process %1) is holding the microphone&apos;s port. The device rule of the marlevo-mic-settings package keeps it away: install the package, then unplug the microphone and plug it in again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The program %1 (process %2) is using the microphone&apos;s port. Close it, then unplug the microphone and plug it in again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Another program is using the microphone&apos;s port. Close it, then unplug the microphone and plug it in again.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MLBatteryGauge</name>
    <message>
        <source>Battery level</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 percent</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MLBusyIndicator</name>
    <message>
        <source>Busy</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MLConfigurationSheetController</name>
    <message>
        <source>Marlevo Microphone Settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The microphone cannot store that character. Use letters A to Z, digits, spaces and punctuation.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Are you sure you want to reset the Microphone settings back to their factory defaults?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reset Microphone</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Do Not Reset</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Yes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Do not show this message again</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Configuration could not be saved</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>An error occurred and the microphone configuration could not be saved.

Close this message, disconnect the microphone and reconnect to try again. If the problem persists please contact Marlevo Customer Care.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No new value was written to the microphone.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The microphone took these new values before the failure: %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>The name cannot be longer than %n characters.</source>
        <translation>
            <numerusform>The name cannot be longer than %n character.</numerusform>
            <numerusform>The name cannot be longer than %n characters.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>MLDeviceManager</name>
    <message>
        <source>Timeout</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MLLengthFormatter</name>
    <message>
        <source>String too long</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Character not allowed</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MLSettingsRules</name>
    <message>
        <source>A</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>B</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>C</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>D</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>E</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Legacy A</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Legacy B</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Name cannot be blank</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Name contains characters the microphone cannot store</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Name is too long</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Name cannot contain “keyset1.txt”</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Channels assignments must be different</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please enter a name for the microphone, with a maximum of 12 characters.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please use only the letters A to Z, digits, spaces and punctuation in the microphone name.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The microphone uses “keyset1.txt” to report that it needs recovery. Please choose a name without it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>You cannot assign the same channel to both switch positions on your microphone. Please assign a unique channel to each microphone channel switch position.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Confirm legacy channels</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Confirm extended channels</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A channel you have selected (Legacy A or Legacy B) will not function with the Marlevo Orvik System. These channels are for use with other Marlevo Systems.

Do you want to continue?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A channel you have selected (C, D or E) will not function without the optional Orvik Channel Expansion Module installed.

Do you want to continue?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unknown (%1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Microphone</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1: the smallest area, a group around the teacher</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>2: a small classroom</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>3: a usual classroom (factory setting)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>4: a large classroom</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>5: the largest area, a hall or gym</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: a value this application does not know; it is kept as it is</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MLSettingsSave</name>
    <message>
        <source>the name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>switch position 1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>switch position 2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the coverage</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Marlevo Microphone Settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Tools</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl+Q</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Diagnostics</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Marlevo Microphone Settings &amp;Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>F1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MicInfoView</name>
    <message>
        <source>Microphone picture</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Microphone</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Teacher Microphone</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Serial number</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Firmware</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>0.00</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Battery</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>0 %</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A newer firmware is available for this microphone.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Settings…</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RestartingView</name>
    <message>
        <source>The microphone is restarting</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>It reported that it needs to start again. If this message stays for more than a minute, unplug the microphone and plug it in again.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SwitchInfoWindow</name>
    <message>
        <source>About the Channel Switch</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The Channel Switch</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The microphone has a channel switch with two positions. In each position it uses the channel you assign to that position in the settings, so the wearer can change between two channels with the switch alone. The two positions must use different channels.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A and B</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Work with every Marlevo Orvik System.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>C, D and E</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Need the optional Orvik Channel Expansion Module installed in the Marlevo Orvik System.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Legacy A and B</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>For use with other Marlevo Systems. They do not work with the Marlevo Orvik System.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not sure? Use A for position 1 and B for position 2, as the microphone comes from the factory.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Coverage</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
