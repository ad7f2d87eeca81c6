<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr" sourcelanguage="en">
<context>
    <name>ConfigurationSheet</name>
    <message>
        <source>Microphone Settings</source>
        <translation>Réglages du microphone</translation>
    </message>
    <message>
        <source>The settings are written to the microphone when you click OK.</source>
        <translation>Les réglages sont enregistrés dans le microphone lorsque vous cliquez sur OK.</translation>
    </message>
    <message>
        <source>&amp;Name:</source>
        <translation>&amp;Nom&#xa0;:</translation>
    </message>
    <message>
        <source>Microphone name</source>
        <translation>Nom du microphone</translation>
    </message>
    <message>
        <source>Up to %1 characters: letters, digits, spaces and punctuation.</source>
        <translation>%1 caractères au maximum&#xa0;: lettres, chiffres, espaces et ponctuation.</translation>
    </message>
    <message>
        <source>Switch position &amp;1:</source>
        <translation>Position &amp;1 du sélecteur&#xa0;:</translation>
    </message>
    <message>
        <source>Channel for switch position 1</source>
        <translation>Canal de la position 1 du sélecteur</translation>
    </message>
    <message>
        <source>Switch position &amp;2:</source>
        <translation>Position &amp;2 du sélecteur&#xa0;:</translation>
    </message>
    <message>
        <source>Channel for switch position 2</source>
        <translation>Canal de la position 2 du sélecteur</translation>
    </message>
    <message>
        <source>About the &amp;Channel Switch…</source>
        <translation>À propos du &amp;sélecteur de canal…</translation>
    </message>
    <message>
        <source>About the channel switch</source>
        <translation>À propos du sélecteur de canal</translation>
    </message>
    <message>
        <source>Explains the two switch positions and which channels need extra equipment.</source>
        <translation>Explique les deux positions du sélecteur et les canaux qui nécessitent un équipement supplémentaire.</translation>
    </message>
    <message>
        <source>C&amp;overage:</source>
        <translation>&amp;Portée&#xa0;:</translation>
    </message>
    <message>
        <source>Coverage</source>
        <translation>Portée</translation>
    </message>
    <message>
        <source>&amp;Factory Defaults…</source>
        <translation>&amp;Réglages d’usine…</translation>
    </message>
    <message>
        <source>Saving</source>
        <translation>Enregistrement</translation>
    </message>
    <message>
        <source>Saving…</source>
        <translation>Enregistrement…</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
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
        <translation>En attente d’un microphone</translation>
    </message>
    <message>
        <source>Connect a microphone</source>
        <translation>Branchez un microphone</translation>
    </message>
    <message>
        <source>Plug your Marlevo microphone into a USB port of this computer with its USB cable.</source>
        <translation>Branchez votre microphone Marlevo sur un port USB de cet ordinateur à l’aide de son câble USB.</translation>
    </message>
</context>
<context>
    <name>CriticalErrorView</name>
    <message>
        <source>Marlevo Microphone Settings cannot communicate with the device.</source>
        <translation>Marlevo Microphone Settings ne parvient pas à communiquer avec l’appareil.</translation>
    </message>
    <message>
        <source>Unplug the microphone and plug it in again. If the problem persists, contact Marlevo Customer Care.</source>
        <translation>Débranchez le microphone, puis rebranchez-le. Si le problème persiste, contactez Marlevo Customer Care.</translation>
    </message>
</context>
<context>
    <name>DisconnectMessageView</name>
    <message>
        <source>The microphone is not responding</source>
        <translation>Le microphone ne répond pas</translation>
    </message>
    <message>
        <source>Unplug the microphone, wait a few seconds and plug it in again. If this keeps happening, contact Marlevo Customer Care.</source>
        <translation>Débranchez le microphone, patientez quelques secondes, puis rebranchez-le. Si le problème se reproduit, contactez Marlevo Customer Care.</translation>
    </message>
</context>
<context>
    <name>DisconnectMultiMessageView</name>
    <message>
        <source>More than one microphone is connected</source>
        <translation>Plusieurs microphones sont branchés</translation>
    </message>
    <message>
        <source>Settings work with one microphone at a time. Unplug the other microphones and leave only the one you want to set up.</source>
        <translation>Les réglages s’appliquent à un seul microphone à la fois. Débranchez les autres microphones pour ne laisser que celui que vous souhaitez configurer.</translation>
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
        <translation>%1&#xa0;%</translation>
    </message>
    <message>
        <source>Firmware update available: %1 → %2</source>
        <translation>Mise à jour du firmware disponible&#xa0;: %1 → %2</translation>
    </message>
    <message>
        <source>Marlevo Microphone Settings cannot communicate with the device.</source>
        <translation>Marlevo Microphone Settings ne parvient pas à communiquer avec l’appareil.</translation>
    </message>
    <message>
        <source>Microphone</source>
        <translation>Microphone</translation>
    </message>
    <message>
        <source>Teacher Microphone</source>
        <translation>Microphone enseignant</translation>
    </message>
    <message>
        <source>Student Microphone</source>
        <translation>Microphone élève</translation>
    </message>
    <message>
        <source>Reading the microphone…</source>
        <translation>Lecture du microphone…</translation>
    </message>
    <message>
        <source>Marlevo Microphone Settings is asking the microphone for its name and settings.</source>
        <translation>Marlevo Microphone Settings demande au microphone son nom et ses réglages.</translation>
    </message>
    <message>
        <source>You may not open the microphone&apos;s port because its device rule is missing. Install the marlevo-mic-settings package, then unplug the microphone and plug it in again.</source>
        <translation>Vous n&apos;avez pas le droit d&apos;ouvrir le port du microphone, car sa règle de périphérique est absente. Installez le paquet marlevo-mic-settings, puis débranchez le microphone et rebranchez-le.</translation>
    </message>
    <message>
        <source>The device rule is installed, but your session has not been given the microphone yet. Unplug the microphone and plug it in again.</source>
        <translation>La règle de périphérique est installée, mais votre session n&apos;a pas encore reçu le microphone. Débranchez le microphone et rebranchez-le.</translation>
    </message>
    <message>
        <source>ModemManager (process %1) is holding the microphone&apos;s port. The device rule of the marlevo-mic-settings package keeps it away: install the package, then unplug the microphone and plug it in again.</source>
        <translation>ModemManager (processus %1) occupe le port du microphone. La règle de périphérique du paquet marlevo-mic-settings le tient à l&apos;écart : installez le paquet, puis débranchez le microphone et rebranchez-le.</translation>
    </message>
    <message>
        <source>The program %1 (process %2) is using the microphone&apos;s port. Close it, then unplug the microphone and plug it in again.</source>
        <translation>Le programme %1 (processus %2) utilise le port du microphone. Fermez-le, puis débranchez le microphone et rebranchez-le.</translation>
    </message>
    <message>
        <source>Another program is using the microphone&apos;s port. Close it, then unplug the microphone and plug it in again.</source>
        <translation>Un autre programme utilise le port du microphone. Fermez-le, puis débranchez le microphone et rebranchez-le.</translation>
    </message>
</context>
<context>
    <name>MLBatteryGauge</name>
    <message>
        <source>Battery level</source>
        <translation>Niveau de batterie</translation>
    </message>
    <message>
        <source>%1 percent</source>
        <translation>%1 pour cent</translation>
    </message>
</context>
<context>
    <name>MLBusyIndicator</name>
    <message>
        <source>Busy</source>
        <translation>Occupé</translation>
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
        <translation>Le microphone ne peut pas enregistrer ce caractère. Utilisez les lettres A à Z, des chiffres, des espaces et la ponctuation.</translation>
    </message>
    <message>
        <source>Are you sure you want to reset the Microphone settings back to their factory defaults?</source>
        <translation>Voulez-vous vraiment rétablir les réglages d’usine du microphone&#xa0;?</translation>
    </message>
    <message>
        <source>Reset Microphone</source>
        <translation>Réinitialiser le microphone</translation>
    </message>
    <message>
        <source>Do Not Reset</source>
        <translation>Ne pas réinitialiser</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Oui</translation>
    </message>
    <message>
        <source>No</source>
        <translation>Non</translation>
    </message>
    <message>
        <source>Do not show this message again</source>
        <translation>Ne plus afficher ce message</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Configuration could not be saved</source>
        <translation>Les réglages n’ont pas pu être enregistrés</translation>
    </message>
    <message>
        <source>An error occurred and the microphone configuration could not be saved.

Close this message, disconnect the microphone and reconnect to try again. If the problem persists please contact Marlevo Customer Care.</source>
        <translation>Une erreur s’est produite et les réglages du microphone n’ont pas été enregistrés.

Fermez ce message, débranchez le microphone, puis rebranchez-le pour réessayer. Si le problème persiste, contactez Marlevo Customer Care.</translation>
    </message>
    <message>
        <source>No new value was written to the microphone.</source>
        <translation>Aucune nouvelle valeur n’a été écrite dans le microphone.</translation>
    </message>
    <message>
        <source>The microphone took these new values before the failure: %1.</source>
        <translation>Avant l’échec, le microphone a enregistré ces nouvelles valeurs&#xa0;: %1.</translation>
    </message>
    <message numerus="yes">
        <source>The name cannot be longer than %n characters.</source>
        <translation>
            <numerusform>Le nom ne peut pas dépasser %n caractère.</numerusform>
            <numerusform>Le nom ne peut pas dépasser %n caractères.</numerusform>
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
        <translation>Texte trop long</translation>
    </message>
    <message>
        <source>Character not allowed</source>
        <translation>Caractère non autorisé</translation>
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
        <translation>Le nom ne peut pas être vide</translation>
    </message>
    <message>
        <source>Name contains characters the microphone cannot store</source>
        <translation>Le nom contient des caractères que le microphone ne peut pas enregistrer</translation>
    </message>
    <message>
        <source>Name is too long</source>
        <translation>Le nom est trop long</translation>
    </message>
    <message>
        <source>Name cannot contain “keyset1.txt”</source>
        <translation>Le nom ne peut pas contenir « keyset1.txt »</translation>
    </message>
    <message>
        <source>Channels assignments must be different</source>
        <translation>Les canaux doivent être différents</translation>
    </message>
    <message>
        <source>Please enter a name for the microphone, with a maximum of 12 characters.</source>
        <translation>Saisissez un nom pour le microphone, de 12 caractères au maximum.</translation>
    </message>
    <message>
        <source>Please use only the letters A to Z, digits, spaces and punctuation in the microphone name.</source>
        <translation>Dans le nom du microphone, utilisez uniquement les lettres A à Z, des chiffres, des espaces et la ponctuation.</translation>
    </message>
    <message>
        <source>The microphone uses “keyset1.txt” to report that it needs recovery. Please choose a name without it.</source>
        <translation>Le microphone utilise « keyset1.txt » pour signaler qu’il doit être restauré. Veuillez choisir un nom qui ne le contient pas.</translation>
    </message>
    <message>
        <source>You cannot assign the same channel to both switch positions on your microphone. Please assign a unique channel to each microphone channel switch position.</source>
        <translation>Les deux positions du sélecteur de canal ne peuvent pas utiliser le même canal. Attribuez un canal différent à chaque position.</translation>
    </message>
    <message>
        <source>Confirm legacy channels</source>
        <translation>Confirmer les canaux Legacy</translation>
    </message>
    <message>
        <source>Confirm extended channels</source>
        <translation>Confirmer les canaux étendus</translation>
    </message>
    <message>
        <source>A channel you have selected (Legacy A or Legacy B) will not function with the Marlevo Orvik System. These channels are for use with other Marlevo Systems.

Do you want to continue?</source>
        <translation>Un canal sélectionné (Legacy A ou Legacy B) ne fonctionne pas avec le Marlevo Orvik System. Ces canaux sont destinés aux autres systèmes Marlevo.

Voulez-vous continuer&#xa0;?</translation>
    </message>
    <message>
        <source>A channel you have selected (C, D or E) will not function without the optional Orvik Channel Expansion Module installed.

Do you want to continue?</source>
        <translation>Un canal sélectionné (C, D ou E) ne fonctionne que si l’Orvik Channel Expansion Module, proposé en option, est installé.

Voulez-vous continuer&#xa0;?</translation>
    </message>
    <message>
        <source>Unknown (%1)</source>
        <translation>Inconnu (%1)</translation>
    </message>
    <message>
        <source>Microphone</source>
        <translation>Microphone</translation>
    </message>
    <message>
        <source>1: the smallest area, a group around the teacher</source>
        <translation>1&#xa0;: la plus petite zone, un groupe autour de l’enseignant</translation>
    </message>
    <message>
        <source>2: a small classroom</source>
        <translation>2&#xa0;: une petite salle de classe</translation>
    </message>
    <message>
        <source>3: a usual classroom (factory setting)</source>
        <translation>3&#xa0;: une salle de classe habituelle (réglage d’usine)</translation>
    </message>
    <message>
        <source>4: a large classroom</source>
        <translation>4&#xa0;: une grande salle de classe</translation>
    </message>
    <message>
        <source>5: the largest area, a hall or gym</source>
        <translation>5&#xa0;: la plus grande zone, un hall ou un gymnase</translation>
    </message>
    <message>
        <source>%1: a value this application does not know; it is kept as it is</source>
        <translation>%1&#xa0;: une valeur inconnue de cette application&#xa0;; elle est conservée telle quelle</translation>
    </message>
</context>
<context>
    <name>MLSettingsSave</name>
    <message>
        <source>the name</source>
        <translation>le nom</translation>
    </message>
    <message>
        <source>switch position 1</source>
        <translation>la position 1 du sélecteur</translation>
    </message>
    <message>
        <source>switch position 2</source>
        <translation>la position 2 du sélecteur</translation>
    </message>
    <message>
        <source>the coverage</source>
        <translation>la portée</translation>
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
        <translation>&amp;Fichier</translation>
    </message>
    <message>
        <source>&amp;Tools</source>
        <translation>&amp;Outils</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Aide</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Quitter</translation>
    </message>
    <message>
        <source>Ctrl+Q</source>
        <translation>Ctrl+Q</translation>
    </message>
    <message>
        <source>&amp;Diagnostics</source>
        <translation>&amp;Diagnostic</translation>
    </message>
    <message>
        <source>Marlevo Microphone Settings &amp;Help</source>
        <translation>&amp;Aide de Marlevo Microphone Settings</translation>
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
        <translation>Image du microphone</translation>
    </message>
    <message>
        <source>Microphone</source>
        <translation>Microphone</translation>
    </message>
    <message>
        <source>Teacher Microphone</source>
        <translation>Microphone enseignant</translation>
    </message>
    <message>
        <source>Serial number</source>
        <translation>Numéro de série</translation>
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
        <translation>Batterie</translation>
    </message>
    <message>
        <source>0 %</source>
        <translation>0&#xa0;%</translation>
    </message>
    <message>
        <source>A newer firmware is available for this microphone.</source>
        <translation>Un firmware plus récent est disponible pour ce microphone.</translation>
    </message>
    <message>
        <source>&amp;Settings…</source>
        <translation>&amp;Réglages…</translation>
    </message>
</context>
<context>
    <name>RestartingView</name>
    <message>
        <source>The microphone is restarting</source>
        <translation>Le microphone redémarre</translation>
    </message>
    <message>
        <source>It reported that it needs to start again. If this message stays for more than a minute, unplug the microphone and plug it in again.</source>
        <translation>Il a signalé qu’il doit redémarrer. Si ce message reste affiché plus d’une minute, débranchez le microphone, puis rebranchez-le.</translation>
    </message>
</context>
<context>
    <name>SwitchInfoWindow</name>
    <message>
        <source>About the Channel Switch</source>
        <translation>À propos du sélecteur de canal</translation>
    </message>
    <message>
        <source>The Channel Switch</source>
        <translation>Le sélecteur de canal</translation>
    </message>
    <message>
        <source>The microphone has a channel switch with two positions. In each position it uses the channel you assign to that position in the settings, so the wearer can change between two channels with the switch alone. The two positions must use different channels.</source>
        <translation>Le microphone dispose d’un sélecteur de canal à deux positions. Dans chaque position, il utilise le canal que vous lui attribuez dans les réglages&#xa0;: la personne qui le porte passe ainsi d’un canal à l’autre avec le seul sélecteur. Les deux positions doivent utiliser des canaux différents.</translation>
    </message>
    <message>
        <source>A and B</source>
        <translation>A et B</translation>
    </message>
    <message>
        <source>Work with every Marlevo Orvik System.</source>
        <translation>Fonctionnent avec tout Marlevo Orvik System.</translation>
    </message>
    <message>
        <source>C, D and E</source>
        <translation>C, D et E</translation>
    </message>
    <message>
        <source>Need the optional Orvik Channel Expansion Module installed in the Marlevo Orvik System.</source>
        <translation>Nécessitent l’Orvik Channel Expansion Module, proposé en option, installé dans le Marlevo Orvik System.</translation>
    </message>
    <message>
        <source>Legacy A and B</source>
        <translation>Legacy A et B</translation>
    </message>
    <message>
        <source>For use with other Marlevo Systems. They do not work with the Marlevo Orvik System.</source>
        <translation>Pour les autres systèmes Marlevo. Ils ne fonctionnent pas avec le Marlevo Orvik System.</translation>
    </message>
    <message>
        <source>Not sure? Use A for position 1 and B for position 2, as the microphone comes from the factory.</source>
        <translation>Vous hésitez&#xa0;? Utilisez A pour la position 1 et B pour la position 2, comme à la sortie d’usine.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Coverage</source>
        <translation>Portée</translation>
    </message>
</context>
</TS>
