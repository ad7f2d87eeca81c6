<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="it" sourcelanguage="en">
<context>
    <name>ConfigurationSheet</name>
    <message>
        <source>Microphone Settings</source>
        <translation>Impostazioni del microfono</translation>
    </message>
    <message>
        <source>The settings are written to the microphone when you click OK.</source>
        <translation>Le impostazioni vengono scritte nel microfono quando fai clic su OK.</translation>
    </message>
    <message>
        <source>&amp;Name:</source>
        <translation>&amp;Nome:</translation>
    </message>
    <message>
        <source>Microphone name</source>
        <translation>Nome del microfono</translation>
    </message>
    <message>
        <source>Up to %1 characters: letters, digits, spaces and punctuation.</source>
        <translation>Fino a %1 caratteri: lettere, cifre, spazi e segni di punteggiatura.</translation>
    </message>
    <message>
        <source>Switch position &amp;1:</source>
        <translation>Posizione &amp;1 del selettore:</translation>
    </message>
    <message>
        <source>Channel for switch position 1</source>
        <translation>Canale per la posizione 1 del selettore</translation>
    </message>
    <message>
        <source>Switch position &amp;2:</source>
        <translation>Posizione &amp;2 del selettore:</translation>
    </message>
    <message>
        <source>Channel for switch position 2</source>
        <translation>Canale per la posizione 2 del selettore</translation>
    </message>
    <message>
        <source>About the &amp;Channel Switch…</source>
        <translation>Informazioni sul &amp;selettore di canale…</translation>
    </message>
    <message>
        <source>About the channel switch</source>
        <translation>Informazioni sul selettore di canale</translation>
    </message>
    <message>
        <source>Explains the two switch positions and which channels need extra equipment.</source>
        <translation>Spiega le due posizioni del selettore e quali canali richiedono apparecchiature aggiuntive.</translation>
    </message>
    <message>
        <source>C&amp;overage:</source>
        <translation>&amp;Copertura:</translation>
    </message>
    <message>
        <source>Coverage</source>
        <translation>Copertura</translation>
    </message>
    <message>
        <source>&amp;Factory Defaults…</source>
        <translation>Impostazioni di &amp;fabbrica…</translation>
    </message>
    <message>
        <source>Saving</source>
        <translation>Salvataggio</translation>
    </message>
    <message>
        <source>Saving…</source>
        <translation>Salvataggio in corso…</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annulla</translation>
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
        <translation>In attesa di un microfono</translation>
    </message>
    <message>
        <source>Connect a microphone</source>
        <translation>Collega un microfono</translation>
    </message>
    <message>
        <source>Plug your Marlevo microphone into a USB port of this computer with its USB cable.</source>
        <translation>Collega il microfono Marlevo a una porta USB di questo computer con il suo cavo USB.</translation>
    </message>
</context>
<context>
    <name>CriticalErrorView</name>
    <message>
        <source>Marlevo Microphone Settings cannot communicate with the device.</source>
        <translation>Marlevo Microphone Settings non riesce a comunicare con il dispositivo.</translation>
    </message>
    <message>
        <source>Unplug the microphone and plug it in again. If the problem persists, contact Marlevo Customer Care.</source>
        <translation>Scollega il microfono e ricollegalo. Se il problema persiste, contatta Marlevo Customer Care.</translation>
    </message>
</context>
<context>
    <name>DisconnectMessageView</name>
    <message>
        <source>The microphone is not responding</source>
        <translation>Il microfono non risponde</translation>
    </message>
    <message>
        <source>Unplug the microphone, wait a few seconds and plug it in again. If this keeps happening, contact Marlevo Customer Care.</source>
        <translation>Scollega il microfono, attendi qualche secondo e ricollegalo. Se il problema si ripete, contatta Marlevo Customer Care.</translation>
    </message>
</context>
<context>
    <name>DisconnectMultiMessageView</name>
    <message>
        <source>More than one microphone is connected</source>
        <translation>È collegato più di un microfono</translation>
    </message>
    <message>
        <source>Settings work with one microphone at a time. Unplug the other microphones and leave only the one you want to set up.</source>
        <translation>Le impostazioni riguardano un microfono alla volta. Scollega gli altri microfoni e lascia collegato solo quello che vuoi configurare.</translation>
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
        <translation>Aggiornamento firmware disponibile: %1 → %2</translation>
    </message>
    <message>
        <source>Marlevo Microphone Settings cannot communicate with the device.</source>
        <translation>Marlevo Microphone Settings non riesce a comunicare con il dispositivo.</translation>
    </message>
    <message>
        <source>Microphone</source>
        <translation>Microfono</translation>
    </message>
    <message>
        <source>Teacher Microphone</source>
        <translation>Microfono insegnante</translation>
    </message>
    <message>
        <source>Student Microphone</source>
        <translation>Microfono studente</translation>
    </message>
    <message>
        <source>Reading the microphone…</source>
        <translation>Lettura del microfono…</translation>
    </message>
    <message>
        <source>Marlevo Microphone Settings is asking the microphone for its name and settings.</source>
        <translation>Marlevo Microphone Settings sta chiedendo al microfono il nome e le impostazioni.</translation>
    </message>
    <message>
        <source>You may not open the microphone&apos;s port because its device rule is missing. Install the marlevo-mic-settings package, then unplug the microphone and plug it in again.</source>
        <translation>Non è consentito aprire la porta del microfono perché manca la sua regola del dispositivo. Installi il pacchetto marlevo-mic-settings, poi scolleghi il microfono e lo ricolleghi.</translation>
    </message>
    <message>
        <source>The device rule is installed, but your session has not been given the microphone yet. Unplug the microphone and plug it in again.</source>
        <translation>La regola del dispositivo è installata, ma la sua sessione non ha ancora ricevuto il microfono. Scolleghi il microfono e lo ricolleghi.</translation>
    </message>
    <message>
        <source>ModemManager (process %1) is holding the microphone&apos;s port. The device rule of the marlevo-mic-settings package keeps it away: install the package, then unplug the microphone and plug it in again.</source>
        <translation>ModemManager (processo %1) sta occupando la porta del microfono. La regola del dispositivo del pacchetto marlevo-mic-settings lo tiene lontano: installi il pacchetto, poi scolleghi il microfono e lo ricolleghi.</translation>
    </message>
    <message>
        <source>The program %1 (process %2) is using the microphone&apos;s port. Close it, then unplug the microphone and plug it in again.</source>
        <translation>Il programma %1 (processo %2) sta usando la porta del microfono. Lo chiuda, poi scolleghi il microfono e lo ricolleghi.</translation>
    </message>
    <message>
        <source>Another program is using the microphone&apos;s port. Close it, then unplug the microphone and plug it in again.</source>
        <translation>Un altro programma sta usando la porta del microfono. Lo chiuda, poi scolleghi il microfono e lo ricolleghi.</translation>
    </message>
</context>
<context>
    <name>MLBatteryGauge</name>
    <message>
        <source>Battery level</source>
        <translation>Livello batteria</translation>
    </message>
    <message>
        <source>%1 percent</source>
        <translation>%1 per cento</translation>
    </message>
</context>
<context>
    <name>MLBusyIndicator</name>
    <message>
        <source>Busy</source>
        <translation>Occupato</translation>
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
        <translation>Il microfono non può memorizzare questo carattere. Usa le lettere dalla A alla Z, cifre, spazi e segni di punteggiatura.</translation>
    </message>
    <message>
        <source>Are you sure you want to reset the Microphone settings back to their factory defaults?</source>
        <translation>Vuoi davvero ripristinare le impostazioni di fabbrica del microfono?</translation>
    </message>
    <message>
        <source>Reset Microphone</source>
        <translation>Ripristina microfono</translation>
    </message>
    <message>
        <source>Do Not Reset</source>
        <translation>Non ripristinare</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Sì</translation>
    </message>
    <message>
        <source>No</source>
        <translation>No</translation>
    </message>
    <message>
        <source>Do not show this message again</source>
        <translation>Non mostrare più questo messaggio</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Configuration could not be saved</source>
        <translation>Impossibile salvare le impostazioni</translation>
    </message>
    <message>
        <source>An error occurred and the microphone configuration could not be saved.

Close this message, disconnect the microphone and reconnect to try again. If the problem persists please contact Marlevo Customer Care.</source>
        <translation>Si è verificato un errore e le impostazioni del microfono non sono state salvate.

Chiudi questo messaggio, scollega il microfono e ricollegalo per riprovare. Se il problema persiste, contatta Marlevo Customer Care.</translation>
    </message>
    <message>
        <source>No new value was written to the microphone.</source>
        <translation>Nel microfono non è stato scritto alcun nuovo valore.</translation>
    </message>
    <message>
        <source>The microphone took these new values before the failure: %1.</source>
        <translation>Prima dell’errore il microfono ha accettato questi nuovi valori: %1.</translation>
    </message>
    <message numerus="yes">
        <source>The name cannot be longer than %n characters.</source>
        <translation>
            <numerusform>Il nome non può superare %n carattere.</numerusform>
            <numerusform>Il nome non può superare i %n caratteri.</numerusform>
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
        <translation>Testo troppo lungo</translation>
    </message>
    <message>
        <source>Character not allowed</source>
        <translation>Carattere non consentito</translation>
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
        <translation>Il nome non può essere vuoto</translation>
    </message>
    <message>
        <source>Name contains characters the microphone cannot store</source>
        <translation>Il nome contiene caratteri che il microfono non può memorizzare</translation>
    </message>
    <message>
        <source>Name is too long</source>
        <translation>Il nome è troppo lungo</translation>
    </message>
    <message>
        <source>Name cannot contain “keyset1.txt”</source>
        <translation>Il nome non può contenere «keyset1.txt»</translation>
    </message>
    <message>
        <source>Channels assignments must be different</source>
        <translation>I canali devono essere diversi</translation>
    </message>
    <message>
        <source>Please enter a name for the microphone, with a maximum of 12 characters.</source>
        <translation>Inserisci un nome per il microfono, al massimo 12 caratteri.</translation>
    </message>
    <message>
        <source>Please use only the letters A to Z, digits, spaces and punctuation in the microphone name.</source>
        <translation>Nel nome del microfono usa solo le lettere dalla A alla Z, cifre, spazi e segni di punteggiatura.</translation>
    </message>
    <message>
        <source>The microphone uses “keyset1.txt” to report that it needs recovery. Please choose a name without it.</source>
        <translation>Il microfono usa «keyset1.txt» per segnalare che deve essere ripristinato. Scegliere un nome che non lo contenga.</translation>
    </message>
    <message>
        <source>You cannot assign the same channel to both switch positions on your microphone. Please assign a unique channel to each microphone channel switch position.</source>
        <translation>Non puoi assegnare lo stesso canale a entrambe le posizioni del selettore di canale. Assegna un canale diverso a ciascuna posizione.</translation>
    </message>
    <message>
        <source>Confirm legacy channels</source>
        <translation>Conferma canali Legacy</translation>
    </message>
    <message>
        <source>Confirm extended channels</source>
        <translation>Conferma canali estesi</translation>
    </message>
    <message>
        <source>A channel you have selected (Legacy A or Legacy B) will not function with the Marlevo Orvik System. These channels are for use with other Marlevo Systems.

Do you want to continue?</source>
        <translation>Uno dei canali selezionati (Legacy A o Legacy B) non funziona con il Marlevo Orvik System. Questi canali sono destinati ad altri sistemi Marlevo.

Vuoi continuare?</translation>
    </message>
    <message>
        <source>A channel you have selected (C, D or E) will not function without the optional Orvik Channel Expansion Module installed.

Do you want to continue?</source>
        <translation>Uno dei canali selezionati (C, D o E) funziona solo se è installato l’Orvik Channel Expansion Module opzionale.

Vuoi continuare?</translation>
    </message>
    <message>
        <source>Unknown (%1)</source>
        <translation>Sconosciuto (%1)</translation>
    </message>
    <message>
        <source>Microphone</source>
        <translation>Microfono</translation>
    </message>
    <message>
        <source>1: the smallest area, a group around the teacher</source>
        <translation>1: l’area più piccola, un gruppo intorno all’insegnante</translation>
    </message>
    <message>
        <source>2: a small classroom</source>
        <translation>2: un’aula piccola</translation>
    </message>
    <message>
        <source>3: a usual classroom (factory setting)</source>
        <translation>3: un’aula normale (impostazione di fabbrica)</translation>
    </message>
    <message>
        <source>4: a large classroom</source>
        <translation>4: un’aula grande</translation>
    </message>
    <message>
        <source>5: the largest area, a hall or gym</source>
        <translation>5: l’area più grande, un salone o una palestra</translation>
    </message>
    <message>
        <source>%1: a value this application does not know; it is kept as it is</source>
        <translation>%1: un valore che questa applicazione non conosce; viene mantenuto così com’è</translation>
    </message>
</context>
<context>
    <name>MLSettingsSave</name>
    <message>
        <source>the name</source>
        <translation>il nome</translation>
    </message>
    <message>
        <source>switch position 1</source>
        <translation>la posizione 1 del selettore</translation>
    </message>
    <message>
        <source>switch position 2</source>
        <translation>la posizione 2 del selettore</translation>
    </message>
    <message>
        <source>the coverage</source>
        <translation>la copertura</translation>
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
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>&amp;Tools</source>
        <translation>S&amp;trumenti</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Aiuto</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Esci</translation>
    </message>
    <message>
        <source>Ctrl+Q</source>
        <translation>Ctrl+Q</translation>
    </message>
    <message>
        <source>&amp;Diagnostics</source>
        <translation>&amp;Diagnostica</translation>
    </message>
    <message>
        <source>Marlevo Microphone Settings &amp;Help</source>
        <translation>&amp;Guida di Marlevo Microphone Settings</translation>
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
        <translation>Immagine del microfono</translation>
    </message>
    <message>
        <source>Microphone</source>
        <translation>Microfono</translation>
    </message>
    <message>
        <source>Teacher Microphone</source>
        <translation>Microfono insegnante</translation>
    </message>
    <message>
        <source>Serial number</source>
        <translation>Numero di serie</translation>
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
        <translation>Batteria</translation>
    </message>
    <message>
        <source>0 %</source>
        <translation>0%</translation>
    </message>
    <message>
        <source>A newer firmware is available for this microphone.</source>
        <translation>Per questo microfono è disponibile un firmware più recente.</translation>
    </message>
    <message>
        <source>&amp;Settings…</source>
        <translation>&amp;Impostazioni…</translation>
    </message>
</context>
<context>
    <name>RestartingView</name>
    <message>
        <source>The microphone is restarting</source>
        <translation>Il microfono si sta riavviando</translation>
    </message>
    <message>
        <source>It reported that it needs to start again. If this message stays for more than a minute, unplug the microphone and plug it in again.</source>
        <translation>Ha segnalato che deve riavviarsi. Se questo messaggio resta visibile per più di un minuto, scollega il microfono e ricollegalo.</translation>
    </message>
</context>
<context>
    <name>SwitchInfoWindow</name>
    <message>
        <source>About the Channel Switch</source>
        <translation>Informazioni sul selettore di canale</translation>
    </message>
    <message>
        <source>The Channel Switch</source>
        <translation>Il selettore di canale</translation>
    </message>
    <message>
        <source>The microphone has a channel switch with two positions. In each position it uses the channel you assign to that position in the settings, so the wearer can change between two channels with the switch alone. The two positions must use different channels.</source>
        <translation>Il microfono ha un selettore di canale a due posizioni. In ogni posizione usa il canale che assegni a quella posizione nelle impostazioni: chi lo indossa può così passare da un canale all’altro con il solo selettore. Le due posizioni devono usare canali diversi.</translation>
    </message>
    <message>
        <source>A and B</source>
        <translation>A e B</translation>
    </message>
    <message>
        <source>Work with every Marlevo Orvik System.</source>
        <translation>Funzionano con qualsiasi Marlevo Orvik System.</translation>
    </message>
    <message>
        <source>C, D and E</source>
        <translation>C, D ed E</translation>
    </message>
    <message>
        <source>Need the optional Orvik Channel Expansion Module installed in the Marlevo Orvik System.</source>
        <translation>Richiedono l’Orvik Channel Expansion Module opzionale installato nel Marlevo Orvik System.</translation>
    </message>
    <message>
        <source>Legacy A and B</source>
        <translation>Legacy A e B</translation>
    </message>
    <message>
        <source>For use with other Marlevo Systems. They do not work with the Marlevo Orvik System.</source>
        <translation>Per altri sistemi Marlevo. Non funzionano con il Marlevo Orvik System.</translation>
    </message>
    <message>
        <source>Not sure? Use A for position 1 and B for position 2, as the microphone comes from the factory.</source>
        <translation>Non sei sicuro? Usa A per la posizione 1 e B per la posizione 2, come impostato in fabbrica.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Coverage</source>
        <translation>Copertura</translation>
    </message>
</context>
</TS>
