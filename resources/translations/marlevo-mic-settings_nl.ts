<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="nl" sourcelanguage="en">
<context>
    <name>ConfigurationSheet</name>
    <message>
        <source>Microphone Settings</source>
        <translation>Microfooninstellingen</translation>
    </message>
    <message>
        <source>The settings are written to the microphone when you click OK.</source>
        <translation>De instellingen worden naar de microfoon geschreven zodra u op OK klikt.</translation>
    </message>
    <message>
        <source>&amp;Name:</source>
        <translation>&amp;Naam:</translation>
    </message>
    <message>
        <source>Microphone name</source>
        <translation>Naam van de microfoon</translation>
    </message>
    <message>
        <source>Up to %1 characters: letters, digits, spaces and punctuation.</source>
        <translation>Maximaal %1 tekens: letters, cijfers, spaties en leestekens.</translation>
    </message>
    <message>
        <source>Switch position &amp;1:</source>
        <translation>Schakelaarstand &amp;1:</translation>
    </message>
    <message>
        <source>Channel for switch position 1</source>
        <translation>Kanaal voor schakelaarstand 1</translation>
    </message>
    <message>
        <source>Switch position &amp;2:</source>
        <translation>Schakelaarstand &amp;2:</translation>
    </message>
    <message>
        <source>Channel for switch position 2</source>
        <translation>Kanaal voor schakelaarstand 2</translation>
    </message>
    <message>
        <source>About the &amp;Channel Switch…</source>
        <translation>Over de &amp;kanaalschakelaar…</translation>
    </message>
    <message>
        <source>About the channel switch</source>
        <translation>Over de kanaalschakelaar</translation>
    </message>
    <message>
        <source>Explains the two switch positions and which channels need extra equipment.</source>
        <translation>Legt de twee standen van de schakelaar uit en welke kanalen extra apparatuur nodig hebben.</translation>
    </message>
    <message>
        <source>C&amp;overage:</source>
        <translation>&amp;Bereik:</translation>
    </message>
    <message>
        <source>Coverage</source>
        <translation>Bereik</translation>
    </message>
    <message>
        <source>&amp;Factory Defaults…</source>
        <translation>&amp;Fabrieksinstellingen…</translation>
    </message>
    <message>
        <source>Saving</source>
        <translation>Opslaan</translation>
    </message>
    <message>
        <source>Saving…</source>
        <translation>Bezig met opslaan…</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuleren</translation>
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
        <translation>Wachten op een microfoon</translation>
    </message>
    <message>
        <source>Connect a microphone</source>
        <translation>Sluit een microfoon aan</translation>
    </message>
    <message>
        <source>Plug your Marlevo microphone into a USB port of this computer with its USB cable.</source>
        <translation>Sluit uw Marlevo-microfoon met de USB-kabel aan op een USB-poort van deze computer.</translation>
    </message>
</context>
<context>
    <name>CriticalErrorView</name>
    <message>
        <source>Marlevo Microphone Settings cannot communicate with the device.</source>
        <translation>Marlevo Microphone Settings kan niet communiceren met het apparaat.</translation>
    </message>
    <message>
        <source>Unplug the microphone and plug it in again. If the problem persists, contact Marlevo Customer Care.</source>
        <translation>Koppel de microfoon los en sluit hem opnieuw aan. Blijft het probleem bestaan, neem dan contact op met Marlevo Customer Care.</translation>
    </message>
</context>
<context>
    <name>DisconnectMessageView</name>
    <message>
        <source>The microphone is not responding</source>
        <translation>De microfoon reageert niet</translation>
    </message>
    <message>
        <source>Unplug the microphone, wait a few seconds and plug it in again. If this keeps happening, contact Marlevo Customer Care.</source>
        <translation>Koppel de microfoon los, wacht een paar seconden en sluit hem opnieuw aan. Gebeurt dit vaker, neem dan contact op met Marlevo Customer Care.</translation>
    </message>
</context>
<context>
    <name>DisconnectMultiMessageView</name>
    <message>
        <source>More than one microphone is connected</source>
        <translation>Er is meer dan één microfoon aangesloten</translation>
    </message>
    <message>
        <source>Settings work with one microphone at a time. Unplug the other microphones and leave only the one you want to set up.</source>
        <translation>Instellingen werken met één microfoon tegelijk. Koppel de andere microfoons los, zodat alleen de microfoon die u wilt instellen aangesloten blijft.</translation>
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
        <translation>%1%</translation>
    </message>
    <message>
        <source>Firmware update available: %1 → %2</source>
        <translation>Firmware-update beschikbaar: %1 → %2</translation>
    </message>
    <message>
        <source>Marlevo Microphone Settings cannot communicate with the device.</source>
        <translation>Marlevo Microphone Settings kan niet communiceren met het apparaat.</translation>
    </message>
    <message>
        <source>Microphone</source>
        <translation>Microfoon</translation>
    </message>
    <message>
        <source>Teacher Microphone</source>
        <translation>Docentmicrofoon</translation>
    </message>
    <message>
        <source>Student Microphone</source>
        <translation>Leerlingmicrofoon</translation>
    </message>
    <message>
        <source>Reading the microphone…</source>
        <translation>Microfoon uitlezen…</translation>
    </message>
    <message>
        <source>Marlevo Microphone Settings is asking the microphone for its name and settings.</source>
        <translation>Marlevo Microphone Settings vraagt de naam en instellingen van de microfoon op.</translation>
    </message>
    <message>
        <source>You may not open the microphone&apos;s port because its device rule is missing. Install the marlevo-mic-settings package, then unplug the microphone and plug it in again.</source>
        <translation>U mag de poort van de microfoon niet openen, omdat de apparaatregel ervan ontbreekt. Installeer het pakket marlevo-mic-settings, koppel daarna de microfoon los en sluit hem opnieuw aan.</translation>
    </message>
    <message>
        <source>The device rule is installed, but your session has not been given the microphone yet. Unplug the microphone and plug it in again.</source>
        <translation>De apparaatregel is geïnstalleerd, maar uw sessie heeft de microfoon nog niet gekregen. Koppel de microfoon los en sluit hem opnieuw aan.</translation>
    </message>
    <message>
        <source>ModemManager (process %1) is holding the microphone&apos;s port. The device rule of the marlevo-mic-settings package keeps it away: install the package, then unplug the microphone and plug it in again.</source>
        <translation>ModemManager (proces %1) houdt de poort van de microfoon bezet. De apparaatregel van het pakket marlevo-mic-settings houdt het weg: installeer het pakket, koppel daarna de microfoon los en sluit hem opnieuw aan.</translation>
    </message>
    <message>
        <source>The program %1 (process %2) is using the microphone&apos;s port. Close it, then unplug the microphone and plug it in again.</source>
        <translation>Het programma %1 (proces %2) gebruikt de poort van de microfoon. Sluit het, koppel daarna de microfoon los en sluit hem opnieuw aan.</translation>
    </message>
    <message>
        <source>Another program is using the microphone&apos;s port. Close it, then unplug the microphone and plug it in again.</source>
        <translation>Een ander programma gebruikt de poort van de microfoon. Sluit het, koppel daarna de microfoon los en sluit hem opnieuw aan.</translation>
    </message>
</context>
<context>
    <name>MLBatteryGauge</name>
    <message>
        <source>Battery level</source>
        <translation>Batterijniveau</translation>
    </message>
    <message>
        <source>%1 percent</source>
        <translation>%1 procent</translation>
    </message>
</context>
<context>
    <name>MLBusyIndicator</name>
    <message>
        <source>Busy</source>
        <translation>Bezig</translation>
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
        <translation>De microfoon kan dit teken niet opslaan. Gebruik de letters A tot en met Z, cijfers, spaties en leestekens.</translation>
    </message>
    <message>
        <source>Are you sure you want to reset the Microphone settings back to their factory defaults?</source>
        <translation>Weet u zeker dat u de microfoon wilt terugzetten naar de fabrieksinstellingen?</translation>
    </message>
    <message>
        <source>Reset Microphone</source>
        <translation>Microfoon terugzetten</translation>
    </message>
    <message>
        <source>Do Not Reset</source>
        <translation>Niet terugzetten</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Ja</translation>
    </message>
    <message>
        <source>No</source>
        <translation>Nee</translation>
    </message>
    <message>
        <source>Do not show this message again</source>
        <translation>Dit bericht niet meer tonen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Configuration could not be saved</source>
        <translation>De instellingen konden niet worden opgeslagen</translation>
    </message>
    <message>
        <source>An error occurred and the microphone configuration could not be saved.

Close this message, disconnect the microphone and reconnect to try again. If the problem persists please contact Marlevo Customer Care.</source>
        <translation>Er is een fout opgetreden en de instellingen van de microfoon zijn niet opgeslagen.

Sluit dit bericht, koppel de microfoon los en sluit hem opnieuw aan om het nog eens te proberen. Blijft het probleem bestaan, neem dan contact op met Marlevo Customer Care.</translation>
    </message>
    <message>
        <source>No new value was written to the microphone.</source>
        <translation>Er is geen nieuwe waarde naar de microfoon geschreven.</translation>
    </message>
    <message>
        <source>The microphone took these new values before the failure: %1.</source>
        <translation>Vóór de fout heeft de microfoon deze nieuwe waarden overgenomen: %1.</translation>
    </message>
    <message numerus="yes">
        <source>The name cannot be longer than %n characters.</source>
        <translation>
            <numerusform>De naam mag niet langer zijn dan %n teken.</numerusform>
            <numerusform>De naam mag niet langer zijn dan %n tekens.</numerusform>
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
        <translation>Tekst te lang</translation>
    </message>
    <message>
        <source>Character not allowed</source>
        <translation>Teken niet toegestaan</translation>
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
        <translation>De naam mag niet leeg zijn</translation>
    </message>
    <message>
        <source>Name contains characters the microphone cannot store</source>
        <translation>De naam bevat tekens die de microfoon niet kan opslaan</translation>
    </message>
    <message>
        <source>Name is too long</source>
        <translation>De naam is te lang</translation>
    </message>
    <message>
        <source>Name cannot contain “keyset1.txt”</source>
        <translation>De naam mag geen ‘keyset1.txt’ bevatten</translation>
    </message>
    <message>
        <source>Channels assignments must be different</source>
        <translation>De kanalen moeten verschillen</translation>
    </message>
    <message>
        <source>Please enter a name for the microphone, with a maximum of 12 characters.</source>
        <translation>Voer een naam in voor de microfoon, van maximaal 12 tekens.</translation>
    </message>
    <message>
        <source>Please use only the letters A to Z, digits, spaces and punctuation in the microphone name.</source>
        <translation>Gebruik in de naam van de microfoon alleen de letters A tot en met Z, cijfers, spaties en leestekens.</translation>
    </message>
    <message>
        <source>The microphone uses “keyset1.txt” to report that it needs recovery. Please choose a name without it.</source>
        <translation>De microfoon meldt met ‘keyset1.txt’ dat hij hersteld moet worden. Kies een naam zonder deze tekst.</translation>
    </message>
    <message>
        <source>You cannot assign the same channel to both switch positions on your microphone. Please assign a unique channel to each microphone channel switch position.</source>
        <translation>U kunt niet hetzelfde kanaal aan beide standen van de kanaalschakelaar toewijzen. Wijs aan elke stand een eigen kanaal toe.</translation>
    </message>
    <message>
        <source>Confirm legacy channels</source>
        <translation>Legacy-kanalen bevestigen</translation>
    </message>
    <message>
        <source>Confirm extended channels</source>
        <translation>Uitgebreide kanalen bevestigen</translation>
    </message>
    <message>
        <source>A channel you have selected (Legacy A or Legacy B) will not function with the Marlevo Orvik System. These channels are for use with other Marlevo Systems.

Do you want to continue?</source>
        <translation>Een gekozen kanaal (Legacy A of Legacy B) werkt niet met het Marlevo Orvik System. Deze kanalen zijn bedoeld voor andere Marlevo-systemen.

Wilt u doorgaan?</translation>
    </message>
    <message>
        <source>A channel you have selected (C, D or E) will not function without the optional Orvik Channel Expansion Module installed.

Do you want to continue?</source>
        <translation>Een gekozen kanaal (C, D of E) werkt alleen als de optionele Orvik Channel Expansion Module is geïnstalleerd.

Wilt u doorgaan?</translation>
    </message>
    <message>
        <source>Unknown (%1)</source>
        <translation>Onbekend (%1)</translation>
    </message>
    <message>
        <source>Microphone</source>
        <translation>Microfoon</translation>
    </message>
    <message>
        <source>1: the smallest area, a group around the teacher</source>
        <translation>1: het kleinste gebied, een groep rond de docent</translation>
    </message>
    <message>
        <source>2: a small classroom</source>
        <translation>2: een klein klaslokaal</translation>
    </message>
    <message>
        <source>3: a usual classroom (factory setting)</source>
        <translation>3: een gewoon klaslokaal (fabrieksinstelling)</translation>
    </message>
    <message>
        <source>4: a large classroom</source>
        <translation>4: een groot klaslokaal</translation>
    </message>
    <message>
        <source>5: the largest area, a hall or gym</source>
        <translation>5: het grootste gebied, een aula of gymzaal</translation>
    </message>
    <message>
        <source>%1: a value this application does not know; it is kept as it is</source>
        <translation>%1: een waarde die deze toepassing niet kent; deze blijft ongewijzigd</translation>
    </message>
</context>
<context>
    <name>MLSettingsSave</name>
    <message>
        <source>the name</source>
        <translation>de naam</translation>
    </message>
    <message>
        <source>switch position 1</source>
        <translation>schakelaarstand 1</translation>
    </message>
    <message>
        <source>switch position 2</source>
        <translation>schakelaarstand 2</translation>
    </message>
    <message>
        <source>the coverage</source>
        <translation>het bereik</translation>
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
        <translation>&amp;Bestand</translation>
    </message>
    <message>
        <source>&amp;Tools</source>
        <translation>E&amp;xtra</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Afsluiten</translation>
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
        <translation>&amp;Help bij Marlevo Microphone Settings</translation>
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
        <translation>Afbeelding van de microfoon</translation>
    </message>
    <message>
        <source>Microphone</source>
        <translation>Microfoon</translation>
    </message>
    <message>
        <source>Teacher Microphone</source>
        <translation>Docentmicrofoon</translation>
    </message>
    <message>
        <source>Serial number</source>
        <translation>Serienummer</translation>
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
        <translation>Batterij</translation>
    </message>
    <message>
        <source>0 %</source>
        <translation>0%</translation>
    </message>
    <message>
        <source>A newer firmware is available for this microphone.</source>
        <translation>Er is nieuwere firmware beschikbaar voor deze microfoon.</translation>
    </message>
    <message>
        <source>&amp;Settings…</source>
        <translation>&amp;Instellingen…</translation>
    </message>
</context>
<context>
    <name>RestartingView</name>
    <message>
        <source>The microphone is restarting</source>
        <translation>De microfoon start opnieuw op</translation>
    </message>
    <message>
        <source>It reported that it needs to start again. If this message stays for more than a minute, unplug the microphone and plug it in again.</source>
        <translation>Hij heeft gemeld dat hij opnieuw moet opstarten. Staat dit bericht er langer dan een minuut, koppel de microfoon dan los en sluit hem opnieuw aan.</translation>
    </message>
</context>
<context>
    <name>SwitchInfoWindow</name>
    <message>
        <source>About the Channel Switch</source>
        <translation>Over de kanaalschakelaar</translation>
    </message>
    <message>
        <source>The Channel Switch</source>
        <translation>De kanaalschakelaar</translation>
    </message>
    <message>
        <source>The microphone has a channel switch with two positions. In each position it uses the channel you assign to that position in the settings, so the wearer can change between two channels with the switch alone. The two positions must use different channels.</source>
        <translation>De microfoon heeft een kanaalschakelaar met twee standen. In elke stand gebruikt hij het kanaal dat u in de instellingen aan die stand toewijst, zodat de drager met alleen de schakelaar tussen twee kanalen kan wisselen. De twee standen moeten verschillende kanalen gebruiken.</translation>
    </message>
    <message>
        <source>A and B</source>
        <translation>A en B</translation>
    </message>
    <message>
        <source>Work with every Marlevo Orvik System.</source>
        <translation>Werken met elk Marlevo Orvik System.</translation>
    </message>
    <message>
        <source>C, D and E</source>
        <translation>C, D en E</translation>
    </message>
    <message>
        <source>Need the optional Orvik Channel Expansion Module installed in the Marlevo Orvik System.</source>
        <translation>Vereisen de optionele Orvik Channel Expansion Module in het Marlevo Orvik System.</translation>
    </message>
    <message>
        <source>Legacy A and B</source>
        <translation>Legacy A en B</translation>
    </message>
    <message>
        <source>For use with other Marlevo Systems. They do not work with the Marlevo Orvik System.</source>
        <translation>Voor andere Marlevo-systemen. Ze werken niet met het Marlevo Orvik System.</translation>
    </message>
    <message>
        <source>Not sure? Use A for position 1 and B for position 2, as the microphone comes from the factory.</source>
        <translation>Twijfelt u? Gebruik A voor stand 1 en B voor stand 2, zoals de microfoon uit de fabriek komt.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Coverage</source>
        <translation>Bereik</translation>
    </message>
</context>
</TS>
