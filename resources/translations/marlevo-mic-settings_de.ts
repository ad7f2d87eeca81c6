<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de" sourcelanguage="en">
<context>
    <name>ConfigurationSheet</name>
    <message>
        <source>Microphone Settings</source>
        <translation>Mikrofoneinstellungen</translation>
    </message>
    <message>
        <source>The settings are written to the microphone when you click OK.</source>
        <translation>Die Einstellungen werden auf das Mikrofon übertragen, sobald Sie auf OK klicken.</translation>
    </message>
    <message>
        <source>&amp;Name:</source>
        <translation>&amp;Name:</translation>
    </message>
    <message>
        <source>Microphone name</source>
        <translation>Name des Mikrofons</translation>
    </message>
    <message>
        <source>Up to %1 characters: letters, digits, spaces and punctuation.</source>
        <translation>Bis zu %1 Zeichen: Buchstaben, Ziffern, Leerzeichen und Satzzeichen.</translation>
    </message>
    <message>
        <source>Switch position &amp;1:</source>
        <translation>Schalterstellung &amp;1:</translation>
    </message>
    <message>
        <source>Channel for switch position 1</source>
        <translation>Kanal für Schalterstellung 1</translation>
    </message>
    <message>
        <source>Switch position &amp;2:</source>
        <translation>Schalterstellung &amp;2:</translation>
    </message>
    <message>
        <source>Channel for switch position 2</source>
        <translation>Kanal für Schalterstellung 2</translation>
    </message>
    <message>
        <source>About the &amp;Channel Switch…</source>
        <translation>Über den &amp;Kanalschalter…</translation>
    </message>
    <message>
        <source>About the channel switch</source>
        <translation>Über den Kanalschalter</translation>
    </message>
    <message>
        <source>Explains the two switch positions and which channels need extra equipment.</source>
        <translation>Erklärt die beiden Schalterstellungen und welche Kanäle zusätzliche Geräte brauchen.</translation>
    </message>
    <message>
        <source>C&amp;overage:</source>
        <translation>&amp;Reichweite:</translation>
    </message>
    <message>
        <source>Coverage</source>
        <translation>Reichweite</translation>
    </message>
    <message>
        <source>&amp;Factory Defaults…</source>
        <translation>&amp;Werkseinstellungen…</translation>
    </message>
    <message>
        <source>Saving</source>
        <translation>Wird gespeichert</translation>
    </message>
    <message>
        <source>Saving…</source>
        <translation>Wird gespeichert…</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>ConnectMessageView</name>
    <message>
        <source>Waiting for a microphone</source>
        <translation>Warten auf ein Mikrofon</translation>
    </message>
    <message>
        <source>Connect a microphone</source>
        <translation>Mikrofon anschließen</translation>
    </message>
    <message>
        <source>Plug your Marlevo microphone into a USB port of this computer with its USB cable.</source>
        <translation>Schließen Sie Ihr Marlevo-Mikrofon mit seinem USB-Kabel an einen USB-Anschluss dieses Computers an.</translation>
    </message>
</context>
<context>
    <name>CriticalErrorView</name>
    <message>
        <source>Marlevo Microphone Settings cannot communicate with the device.</source>
        <translation>Marlevo Microphone Settings kann nicht mit dem Gerät kommunizieren.</translation>
    </message>
    <message>
        <source>Unplug the microphone and plug it in again. If the problem persists, contact Marlevo Customer Care.</source>
        <translation>Ziehen Sie das Mikrofon ab und schließen Sie es wieder an. Besteht das Problem weiterhin, wenden Sie sich an Marlevo Customer Care.</translation>
    </message>
</context>
<context>
    <name>DisconnectMessageView</name>
    <message>
        <source>The microphone is not responding</source>
        <translation>Das Mikrofon antwortet nicht</translation>
    </message>
    <message>
        <source>Unplug the microphone, wait a few seconds and plug it in again. If this keeps happening, contact Marlevo Customer Care.</source>
        <translation>Ziehen Sie das Mikrofon ab, warten Sie einige Sekunden und schließen Sie es wieder an. Tritt das Problem wiederholt auf, wenden Sie sich an Marlevo Customer Care.</translation>
    </message>
</context>
<context>
    <name>DisconnectMultiMessageView</name>
    <message>
        <source>More than one microphone is connected</source>
        <translation>Mehr als ein Mikrofon ist angeschlossen</translation>
    </message>
    <message>
        <source>Settings work with one microphone at a time. Unplug the other microphones and leave only the one you want to set up.</source>
        <translation>Die Einstellungen gelten immer nur für ein Mikrofon. Ziehen Sie die anderen Mikrofone ab, sodass nur das Mikrofon angeschlossen bleibt, das Sie einrichten möchten.</translation>
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
        <translation>Firmware-Update verfügbar: %1 → %2</translation>
    </message>
    <message>
        <source>Marlevo Microphone Settings cannot communicate with the device.</source>
        <translation>Marlevo Microphone Settings kann nicht mit dem Gerät kommunizieren.</translation>
    </message>
    <message>
        <source>Microphone</source>
        <translation>Mikrofon</translation>
    </message>
    <message>
        <source>Teacher Microphone</source>
        <translation>Lehrermikrofon</translation>
    </message>
    <message>
        <source>Student Microphone</source>
        <translation>Schülermikrofon</translation>
    </message>
    <message>
        <source>Reading the microphone…</source>
        <translation>Mikrofon wird abgefragt…</translation>
    </message>
    <message>
        <source>Marlevo Microphone Settings is asking the microphone for its name and settings.</source>
        <translation>Marlevo Microphone Settings fragt Namen und Einstellungen des Mikrofons ab.</translation>
    </message>
    <message>
        <source>You may not open the microphone&apos;s port because its device rule is missing. Install the marlevo-mic-settings package, then unplug the microphone and plug it in again.</source>
        <translation>Sie dürfen den Anschluss des Mikrofons nicht öffnen, weil seine Geräteregel fehlt. Installieren Sie das Paket marlevo-mic-settings, ziehen Sie dann das Mikrofon ab und stecken Sie es wieder ein.</translation>
    </message>
    <message>
        <source>The device rule is installed, but your session has not been given the microphone yet. Unplug the microphone and plug it in again.</source>
        <translation>Die Geräteregel ist installiert, aber Ihre Sitzung hat das Mikrofon noch nicht erhalten. Ziehen Sie das Mikrofon ab und stecken Sie es wieder ein.</translation>
    </message>
    <message>
        <source>ModemManager (process %1) is holding the microphone&apos;s port. The device rule of the marlevo-mic-settings package keeps it away: install the package, then unplug the microphone and plug it in again.</source>
        <translation>ModemManager (Prozess %1) belegt den Anschluss des Mikrofons. Die Geräteregel des Pakets marlevo-mic-settings hält ihn fern: Installieren Sie das Paket, ziehen Sie dann das Mikrofon ab und stecken Sie es wieder ein.</translation>
    </message>
    <message>
        <source>The program %1 (process %2) is using the microphone&apos;s port. Close it, then unplug the microphone and plug it in again.</source>
        <translation>Das Programm %1 (Prozess %2) verwendet den Anschluss des Mikrofons. Schließen Sie es, ziehen Sie dann das Mikrofon ab und stecken Sie es wieder ein.</translation>
    </message>
    <message>
        <source>Another program is using the microphone&apos;s port. Close it, then unplug the microphone and plug it in again.</source>
        <translation>Ein anderes Programm verwendet den Anschluss des Mikrofons. Schließen Sie es, ziehen Sie dann das Mikrofon ab und stecken Sie es wieder ein.</translation>
    </message>
</context>
<context>
    <name>MLBatteryGauge</name>
    <message>
        <source>Battery level</source>
        <translation>Akkustand</translation>
    </message>
    <message>
        <source>%1 percent</source>
        <translation>%1 Prozent</translation>
    </message>
</context>
<context>
    <name>MLBusyIndicator</name>
    <message>
        <source>Busy</source>
        <translation>Beschäftigt</translation>
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
        <translation>Dieses Zeichen kann das Mikrofon nicht speichern. Verwenden Sie die Buchstaben A bis Z, Ziffern, Leerzeichen und Satzzeichen.</translation>
    </message>
    <message>
        <source>Are you sure you want to reset the Microphone settings back to their factory defaults?</source>
        <translation>Möchten Sie die Einstellungen des Mikrofons wirklich auf die Werkseinstellungen zurücksetzen?</translation>
    </message>
    <message>
        <source>Reset Microphone</source>
        <translation>Mikrofon zurücksetzen</translation>
    </message>
    <message>
        <source>Do Not Reset</source>
        <translation>Nicht zurücksetzen</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Ja</translation>
    </message>
    <message>
        <source>No</source>
        <translation>Nein</translation>
    </message>
    <message>
        <source>Do not show this message again</source>
        <translation>Diese Meldung nicht mehr anzeigen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Configuration could not be saved</source>
        <translation>Die Einstellungen konnten nicht gespeichert werden</translation>
    </message>
    <message>
        <source>An error occurred and the microphone configuration could not be saved.

Close this message, disconnect the microphone and reconnect to try again. If the problem persists please contact Marlevo Customer Care.</source>
        <translation>Ein Fehler ist aufgetreten, die Einstellungen des Mikrofons wurden nicht gespeichert.

Schließen Sie diese Meldung, ziehen Sie das Mikrofon ab und schließen Sie es wieder an, um es erneut zu versuchen. Besteht das Problem weiterhin, wenden Sie sich an Marlevo Customer Care.</translation>
    </message>
    <message>
        <source>No new value was written to the microphone.</source>
        <translation>Es wurde kein neuer Wert auf das Mikrofon geschrieben.</translation>
    </message>
    <message>
        <source>The microphone took these new values before the failure: %1.</source>
        <translation>Vor dem Fehler hat das Mikrofon diese neuen Werte übernommen: %1.</translation>
    </message>
    <message numerus="yes">
        <source>The name cannot be longer than %n characters.</source>
        <translation>
            <numerusform>Der Name darf höchstens %n Zeichen lang sein.</numerusform>
            <numerusform>Der Name darf höchstens %n Zeichen lang sein.</numerusform>
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
        <translation>Text zu lang</translation>
    </message>
    <message>
        <source>Character not allowed</source>
        <translation>Zeichen nicht erlaubt</translation>
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
        <translation>Der Name darf nicht leer sein</translation>
    </message>
    <message>
        <source>Name contains characters the microphone cannot store</source>
        <translation>Der Name enthält Zeichen, die das Mikrofon nicht speichern kann</translation>
    </message>
    <message>
        <source>Name is too long</source>
        <translation>Der Name ist zu lang</translation>
    </message>
    <message>
        <source>Name cannot contain “keyset1.txt”</source>
        <translation>Der Name darf „keyset1.txt“ nicht enthalten</translation>
    </message>
    <message>
        <source>Channels assignments must be different</source>
        <translation>Die Kanäle müssen sich unterscheiden</translation>
    </message>
    <message>
        <source>Please enter a name for the microphone, with a maximum of 12 characters.</source>
        <translation>Geben Sie einen Namen für das Mikrofon ein, höchstens 12 Zeichen.</translation>
    </message>
    <message>
        <source>Please use only the letters A to Z, digits, spaces and punctuation in the microphone name.</source>
        <translation>Verwenden Sie im Namen des Mikrofons nur die Buchstaben A bis Z, Ziffern, Leerzeichen und Satzzeichen.</translation>
    </message>
    <message>
        <source>The microphone uses “keyset1.txt” to report that it needs recovery. Please choose a name without it.</source>
        <translation>Mit „keyset1.txt“ meldet das Mikrofon, dass es wiederhergestellt werden muss. Bitte wählen Sie einen Namen ohne diese Zeichenfolge.</translation>
    </message>
    <message>
        <source>You cannot assign the same channel to both switch positions on your microphone. Please assign a unique channel to each microphone channel switch position.</source>
        <translation>Beide Stellungen des Kanalschalters können nicht denselben Kanal verwenden. Weisen Sie jeder Stellung einen eigenen Kanal zu.</translation>
    </message>
    <message>
        <source>Confirm legacy channels</source>
        <translation>Legacy-Kanäle bestätigen</translation>
    </message>
    <message>
        <source>Confirm extended channels</source>
        <translation>Erweiterte Kanäle bestätigen</translation>
    </message>
    <message>
        <source>A channel you have selected (Legacy A or Legacy B) will not function with the Marlevo Orvik System. These channels are for use with other Marlevo Systems.

Do you want to continue?</source>
        <translation>Ein gewählter Kanal (Legacy A oder Legacy B) funktioniert nicht mit dem Marlevo Orvik System. Diese Kanäle sind für andere Marlevo-Systeme gedacht.

Möchten Sie trotzdem fortfahren?</translation>
    </message>
    <message>
        <source>A channel you have selected (C, D or E) will not function without the optional Orvik Channel Expansion Module installed.

Do you want to continue?</source>
        <translation>Ein gewählter Kanal (C, D oder E) funktioniert nur, wenn das optionale Orvik Channel Expansion Module eingebaut ist.

Möchten Sie trotzdem fortfahren?</translation>
    </message>
    <message>
        <source>Unknown (%1)</source>
        <translation>Unbekannt (%1)</translation>
    </message>
    <message>
        <source>Microphone</source>
        <translation>Mikrofon</translation>
    </message>
    <message>
        <source>1: the smallest area, a group around the teacher</source>
        <translation>1: kleinster Bereich, eine Gruppe um die Lehrkraft</translation>
    </message>
    <message>
        <source>2: a small classroom</source>
        <translation>2: ein kleiner Klassenraum</translation>
    </message>
    <message>
        <source>3: a usual classroom (factory setting)</source>
        <translation>3: ein üblicher Klassenraum (Werkseinstellung)</translation>
    </message>
    <message>
        <source>4: a large classroom</source>
        <translation>4: ein großer Klassenraum</translation>
    </message>
    <message>
        <source>5: the largest area, a hall or gym</source>
        <translation>5: größter Bereich, eine Aula oder Turnhalle</translation>
    </message>
    <message>
        <source>%1: a value this application does not know; it is kept as it is</source>
        <translation>%1: ein Wert, den diese Anwendung nicht kennt; er bleibt unverändert</translation>
    </message>
</context>
<context>
    <name>MLSettingsSave</name>
    <message>
        <source>the name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>switch position 1</source>
        <translation>Schalterstellung 1</translation>
    </message>
    <message>
        <source>switch position 2</source>
        <translation>Schalterstellung 2</translation>
    </message>
    <message>
        <source>the coverage</source>
        <translation>Reichweite</translation>
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
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Tools</source>
        <translation>E&amp;xtras</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>Ctrl+Q</source>
        <translation>Ctrl+Q</translation>
    </message>
    <message>
        <source>&amp;Diagnostics</source>
        <translation>&amp;Diagnose</translation>
    </message>
    <message>
        <source>Marlevo Microphone Settings &amp;Help</source>
        <translation>&amp;Hilfe zu Marlevo Microphone Settings</translation>
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
        <translation>Bild des Mikrofons</translation>
    </message>
    <message>
        <source>Microphone</source>
        <translation>Mikrofon</translation>
    </message>
    <message>
        <source>Teacher Microphone</source>
        <translation>Lehrermikrofon</translation>
    </message>
    <message>
        <source>Serial number</source>
        <translation>Seriennummer</translation>
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
        <translation>Akku</translation>
    </message>
    <message>
        <source>0 %</source>
        <translation>0 %</translation>
    </message>
    <message>
        <source>A newer firmware is available for this microphone.</source>
        <translation>Für dieses Mikrofon ist eine neuere Firmware verfügbar.</translation>
    </message>
    <message>
        <source>&amp;Settings…</source>
        <translation>&amp;Einstellungen…</translation>
    </message>
</context>
<context>
    <name>RestartingView</name>
    <message>
        <source>The microphone is restarting</source>
        <translation>Das Mikrofon startet neu</translation>
    </message>
    <message>
        <source>It reported that it needs to start again. If this message stays for more than a minute, unplug the microphone and plug it in again.</source>
        <translation>Es hat gemeldet, dass es neu starten muss. Wird diese Meldung länger als eine Minute angezeigt, ziehen Sie das Mikrofon ab und schließen Sie es wieder an.</translation>
    </message>
</context>
<context>
    <name>SwitchInfoWindow</name>
    <message>
        <source>About the Channel Switch</source>
        <translation>Über den Kanalschalter</translation>
    </message>
    <message>
        <source>The Channel Switch</source>
        <translation>Der Kanalschalter</translation>
    </message>
    <message>
        <source>The microphone has a channel switch with two positions. In each position it uses the channel you assign to that position in the settings, so the wearer can change between two channels with the switch alone. The two positions must use different channels.</source>
        <translation>Das Mikrofon hat einen Kanalschalter mit zwei Stellungen. In jeder Stellung nutzt es den Kanal, den Sie dieser Stellung in den Einstellungen zuweisen. So wechselt die Person, die das Mikrofon trägt, allein mit dem Schalter zwischen zwei Kanälen. Die beiden Stellungen müssen unterschiedliche Kanäle verwenden.</translation>
    </message>
    <message>
        <source>A and B</source>
        <translation>A und B</translation>
    </message>
    <message>
        <source>Work with every Marlevo Orvik System.</source>
        <translation>Funktionieren mit jedem Marlevo Orvik System.</translation>
    </message>
    <message>
        <source>C, D and E</source>
        <translation>C, D und E</translation>
    </message>
    <message>
        <source>Need the optional Orvik Channel Expansion Module installed in the Marlevo Orvik System.</source>
        <translation>Erfordern das optionale Orvik Channel Expansion Module im Marlevo Orvik System.</translation>
    </message>
    <message>
        <source>Legacy A and B</source>
        <translation>Legacy A und B</translation>
    </message>
    <message>
        <source>For use with other Marlevo Systems. They do not work with the Marlevo Orvik System.</source>
        <translation>Für andere Marlevo-Systeme. Mit dem Marlevo Orvik System funktionieren sie nicht.</translation>
    </message>
    <message>
        <source>Not sure? Use A for position 1 and B for position 2, as the microphone comes from the factory.</source>
        <translation>Unsicher? Verwenden Sie A für Stellung 1 und B für Stellung 2, wie ab Werk eingestellt.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Coverage</source>
        <translation>Reichweite</translation>
    </message>
</context>
</TS>
