<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="nb" sourcelanguage="en">
<context>
    <name>nimbral::AuthController</name>
    <message>
        <source>Password must be at least 8 characters.</source>
        <translation>Passordet må ha minst 8 tegn.</translation>
    </message>
    <message>
        <source>Password must be at most 256 characters.</source>
        <translation>Passordet kan ha høyst 256 tegn.</translation>
    </message>
    <message>
        <source>Password must contain at least one lowercase letter.</source>
        <translation>Passordet må inneholde minst én liten bokstav.</translation>
    </message>
    <message>
        <source>Password must contain at least one uppercase letter.</source>
        <translation>Passordet må inneholde minst én stor bokstav.</translation>
    </message>
    <message>
        <source>Password must contain at least one digit.</source>
        <translation>Passordet må inneholde minst ett siffer.</translation>
    </message>
</context>
<context>
    <name>nimbral::ChatDialog</name>
    <message>
        <source>Chat</source>
        <translation>Chat</translation>
    </message>
    <message>
        <source>Type a message…</source>
        <translation>Skriv en melding…</translation>
    </message>
    <message>
        <source>Send</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>Me</source>
        <translation>Jeg</translation>
    </message>
</context>
<context>
    <name>nimbral::ConnectionDialog</name>
    <message>
        <source>Nimbral - Connect</source>
        <translation>Nimbral - Koble til</translation>
    </message>
    <message>
        <source>Server:</source>
        <translation>Server:</translation>
    </message>
    <message>
        <source>Username</source>
        <translation>Brukernavn</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Passord</translation>
    </message>
    <message>
        <source>Login</source>
        <translation>Logg inn</translation>
    </message>
    <message>
        <source>Username:</source>
        <translation>Brukernavn:</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>Passord:</translation>
    </message>
    <message>
        <source>Password (min 8 chars)</source>
        <translation>Passord (minst 8 tegn)</translation>
    </message>
    <message>
        <source>My PC</source>
        <translation>Min PC</translation>
    </message>
    <message>
        <source>Register</source>
        <translation>Registrer</translation>
    </message>
    <message>
        <source>Client Name:</source>
        <translation>Klientnavn:</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Feil</translation>
    </message>
    <message>
        <source>Please fill in all fields.</source>
        <translation>Fyll ut alle feltene.</translation>
    </message>
    <message>
        <source>Please fill in username and password.</source>
        <translation>Fyll ut brukernavn og passord.</translation>
    </message>
    <message>
        <source>Password must be at least 8 characters.</source>
        <translation>Passordet må ha minst 8 tegn.</translation>
    </message>
</context>
<context>
    <name>nimbral::ConnectionInfoDialog</name>
    <message>
        <source>Connection Information</source>
        <translation>Tilkoblingsinformasjon</translation>
    </message>
    <message>
        <source>Session</source>
        <translation>Økt</translation>
    </message>
    <message>
        <source>Session ID:</source>
        <translation>Økt-ID:</translation>
    </message>
    <message>
        <source>Remote ID:</source>
        <translation>Ekstern ID:</translation>
    </message>
    <message>
        <source>Role:</source>
        <translation>Rolle:</translation>
    </message>
    <message>
        <source>Master (Viewer)</source>
        <translation>Master (seer)</translation>
    </message>
    <message>
        <source>Target (Sharing)</source>
        <translation>Mål (deler)</translation>
    </message>
    <message>
        <source>Transport:</source>
        <translation>Transport:</translation>
    </message>
    <message>
        <source>Connection Quality</source>
        <translation>Tilkoblingskvalitet</translation>
    </message>
    <message>
        <source>FPS:</source>
        <translation>FPS:</translation>
    </message>
    <message>
        <source>Latency:</source>
        <translation>Forsinkelse:</translation>
    </message>
    <message>
        <source>Bandwidth:</source>
        <translation>Båndbredde:</translation>
    </message>
    <message>
        <source>Sent:</source>
        <translation>Sendt:</translation>
    </message>
    <message>
        <source>Received:</source>
        <translation>Mottatt:</translation>
    </message>
    <message>
        <source>Dropped Frames:</source>
        <translation>Tapte bilder:</translation>
    </message>
    <message>
        <source>Uptime:</source>
        <translation>Oppetid:</translation>
    </message>
    <message>
        <source>Verification</source>
        <translation>Verifisering</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Status:</translation>
    </message>
    <message>
        <source>Verified</source>
        <translation>Verifisert</translation>
    </message>
    <message>
        <source>Not verified</source>
        <translation>Ikke verifisert</translation>
    </message>
    <message>
        <source>Security code:</source>
        <translation>Sikkerhetskode:</translation>
    </message>
    <message>
        <source>Partner's device key:</source>
        <translation>Partnerens enhetsnøkkel:</translation>
    </message>
    <message>
        <source>This device's key:</source>
        <translation>Nøkkelen til denne enheten:</translation>
    </message>
</context>
<context>
    <name>nimbral::FileManagerDialog</name>
    <message>
        <source>%v of %m files</source>
        <translation>%v av %m filer</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Avbryt</translation>
    </message>
    <message>
        <source>%1/s, %2 left</source>
        <translation>%1/s, %2 igjen</translation>
    </message>
    <message>
        <source>Transfer cancelled</source>
        <translation>Overføringen ble avbrutt</translation>
    </message>
    <message>
        <source>File Manager</source>
        <translation>Filbehandler</translation>
    </message>
    <message>
        <source>&lt;b&gt;Remote Computer&lt;/b&gt;</source>
        <translation>&lt;b&gt;Ekstern datamaskin&lt;/b&gt;</translation>
    </message>
    <message>
        <source>Go up one directory</source>
        <translation>Gå opp ett nivå</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Navn</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Størrelse</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>Download selected remote file to local</source>
        <translation>Last ned valgt ekstern fil til denne datamaskinen</translation>
    </message>
    <message>
        <source>Upload selected local file to remote</source>
        <translation>Last opp valgt lokal fil til den eksterne datamaskinen</translation>
    </message>
    <message>
        <source>&lt;b&gt;Local Computer&lt;/b&gt;</source>
        <translation>&lt;b&gt;Lokal datamaskin&lt;/b&gt;</translation>
    </message>
    <message>
        <source>&lt;b&gt;Remote: &lt;/b&gt;%1</source>
        <translation>&lt;b&gt;Ekstern: &lt;/b&gt;%1</translation>
    </message>
    <message>
        <source>Loading remote directory...</source>
        <translation>Laster inn ekstern mappe...</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Mappe</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Fil</translation>
    </message>
    <message>
        <source>%1 items</source>
        <translation>%1 elementer</translation>
    </message>
    <message>
        <source>Select one or more remote files to download.</source>
        <translation>Velg én eller flere eksterne filer å laste ned.</translation>
    </message>
    <message>
        <source>No files selected (folders are skipped).</source>
        <translation>Ingen filer valgt (mapper hoppes over).</translation>
    </message>
    <message>
        <source>Overwrite?</source>
        <translation>Overskrive?</translation>
    </message>
    <message>
        <source>These files already exist locally and will be overwritten:
%1

Continue?</source>
        <translation>Disse filene finnes allerede lokalt og blir overskrevet:
%1

Fortsette?</translation>
    </message>
    <message>
        <source>Downloading %1 of %2: %3</source>
        <translation>Laster ned %1 av %2: %3</translation>
    </message>
    <message>
        <source>Downloaded: %1 — %2 remaining</source>
        <translation>Lastet ned: %1 — %2 gjenstår</translation>
    </message>
    <message>
        <source>All downloads complete.</source>
        <translation>Alle nedlastinger er fullført.</translation>
    </message>
    <message>
        <source>Select one or more local files to upload.</source>
        <translation>Velg én eller flere lokale filer å laste opp.</translation>
    </message>
    <message>
        <source>These files already exist on the remote and will be overwritten:
%1

Continue?</source>
        <translation>Disse filene finnes allerede på den eksterne datamaskinen og blir overskrevet:
%1

Fortsette?</translation>
    </message>
    <message>
        <source>Uploading %1 of %2: %3</source>
        <translation>Laster opp %1 av %2: %3</translation>
    </message>
    <message>
        <source>All uploads complete.</source>
        <translation>Alle opplastinger er fullført.</translation>
    </message>
    <message>
        <source>Error: %1</source>
        <translation>Feil: %1</translation>
    </message>
    <message>
        <source>Refused an unsafe name in the folder: %1</source>
        <translation>Avviste et usikkert navn i mappen: %1</translation>
    </message>
    <message>
        <source>Listing folder %1...</source>
        <translation>Leser mappen %1...</translation>
    </message>
    <message>
        <source>Folder too large: %1</source>
        <translation>Mappen er for stor: %1</translation>
    </message>
    <message>
        <source>Cannot write to local file: %1</source>
        <translation>Kan ikke skrive lokal fil: %1</translation>
    </message>
    <message>
        <source>Refused an unsafe name in the listing: %1</source>
        <translation>Avviste et usikkert navn i oppføringen: %1</translation>
    </message>
    <message>
        <source>Drives</source>
        <translation>Stasjoner</translation>
    </message>
    <message>
        <source>File system (/)</source>
        <translation>Filsystem (/)</translation>
    </message>
    <message>
        <source>&lt;b&gt;Local: &lt;/b&gt;%1</source>
        <translation>&lt;b&gt;Lokalt: &lt;/b&gt;%1</translation>
    </message>
</context>
<context>
    <name>nimbral::FileTransferService</name>
    <message>
        <source>Transfer cancelled</source>
        <translation>Overføringen ble avbrutt</translation>
    </message>
    <message>
        <source>Transfer corrupted, checksum mismatch: %1</source>
        <translation>Overføringen er skadet, sjekksummen stemmer ikke: %1</translation>
    </message>
    <message>
        <source>Cannot open local file: %1</source>
        <translation>Kan ikke åpne lokal fil: %1</translation>
    </message>
    <message>
        <source>File too large to transfer: %1 (%2 bytes, at most %3)</source>
        <translation>Filen er for stor til å overføres: %1 (%2 byte, høyst %3)</translation>
    </message>
    <message>
        <source>Remote file download failed</source>
        <translation>Nedlasting av ekstern fil mislyktes</translation>
    </message>
    <message>
        <source>Cannot write to local file: %1</source>
        <translation>Kan ikke skrive lokal fil: %1</translation>
    </message>
    <message>
        <source>Refused an unsafe name in the folder: %1</source>
        <translation>Avviste et usikkert navn i mappen: %1</translation>
    </message>
</context>
<context>
    <name>nimbral::MainWindow</name>
    <message>
        <source>Nimbral - Remote Access</source>
        <translation>Nimbral - Fjerntilgang</translation>
    </message>
    <message>
        <source>Server unavailable — retrying...</source>
        <translation>Serveren er utilgjengelig — prøver igjen...</translation>
    </message>
    <message>
        <source>Admin Panel</source>
        <translation>Administrasjonspanel</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Innstillinger</translation>
    </message>
    <message>
        <source>YOUR ID</source>
        <translation>DIN ID</translation>
    </message>
    <message>
        <source>Connecting...</source>
        <translation>Kobler til...</translation>
    </message>
    <message>
        <source>Copy ID</source>
        <translation>Kopier ID</translation>
    </message>
    <message>
        <source>PASSWORD</source>
        <translation>PASSORD</translation>
    </message>
    <message>
        <source>Copy Password</source>
        <translation>Kopier passord</translation>
    </message>
    <message>
        <source>Change Password</source>
        <translation>Endre passord</translation>
    </message>
    <message>
        <source>CONNECT TO PARTNER</source>
        <translation>KOBLE TIL PARTNER</translation>
    </message>
    <message>
        <source>Partner ID  (XXX XXX XXX)</source>
        <translation>Partner-ID  (XXX XXX XXX)</translation>
    </message>
    <message>
        <source>Add to favorites</source>
        <translation>Legg til i favoritter</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Passord</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Koble til</translation>
    </message>
    <message>
        <source>Wake-on-LAN</source>
        <translation>Wake-on-LAN</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Koble fra</translation>
    </message>
    <message>
        <source>PAIRING CODE</source>
        <translation>PARINGSKODE</translation>
    </message>
    <message>
        <source>Copy Pairing Code</source>
        <translation>Kopier paringskode</translation>
    </message>
    <message>
        <source>Add this device at</source>
        <translation>Legg til denne enheten på</translation>
    </message>
    <message>
        <source>Info  (Ctrl+Shift+I)</source>
        <translation>Info  (Ctrl+Shift+I)</translation>
    </message>
    <message>
        <source>Files  (Ctrl+Shift+F)</source>
        <translation>Filer  (Ctrl+Shift+F)</translation>
    </message>
    <message>
        <source>Chat  (Ctrl+Shift+C)</source>
        <translation>Chat  (Ctrl+Shift+C)</translation>
    </message>
    <message>
        <source>Scale Mode  (Ctrl+Shift+Q)</source>
        <translation>Skalering  (Ctrl+Shift+Q)</translation>
    </message>
    <message>
        <source>Fit to Window</source>
        <translation>Tilpass til vinduet</translation>
    </message>
    <message>
        <source>Stretch to Fill</source>
        <translation>Strekk for å fylle</translation>
    </message>
    <message>
        <source>Original Size</source>
        <translation>Opprinnelig størrelse</translation>
    </message>
    <message>
        <source>Switch Monitor</source>
        <translation>Bytt skjerm</translation>
    </message>
    <message>
        <source>Monitor %1</source>
        <translation>Skjerm %1</translation>
    </message>
    <message>
        <source>Fullscreen  (F11)</source>
        <translation>Fullskjerm  (F11)</translation>
    </message>
    <message>
        <source>Connection: Good</source>
        <translation>Tilkobling: god</translation>
    </message>
    <message>
        <source>Disconnect  (Ctrl+Shift+D)</source>
        <translation>Koble fra  (Ctrl+Shift+D)</translation>
    </message>
    <message>
        <source>This display cannot show the remote screen (no OpenGL).</source>
        <translation>Denne skjermen kan ikke vise den eksterne skjermen (mangler OpenGL).</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Feil</translation>
    </message>
    <message>
        <source>Please enter a partner Client ID.</source>
        <translation>Skriv inn partnerens klient-ID.</translation>
    </message>
    <message>
        <source>Partner ID must be exactly 9 digits.</source>
        <translation>Partner-ID-en må ha nøyaktig 9 sifre.</translation>
    </message>
    <message>
        <source>Please enter the partner's password.</source>
        <translation>Skriv inn partnerens passord.</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>Klar</translation>
    </message>
    <message>
        <source>Ready. Your ID: %1</source>
        <translation>Klar. Din ID: %1</translation>
    </message>
    <message>
        <source>Not connected</source>
        <translation>Ikke tilkoblet</translation>
    </message>
    <message>
        <source>Disconnected</source>
        <translation>Frakoblet</translation>
    </message>
    <message>
        <source>Online (Ready)</source>
        <translation>Tilkoblet (klar)</translation>
    </message>
    <message>
        <source>Reconnecting...</source>
        <translation>Kobler til på nytt...</translation>
    </message>
    <message>
        <source>Client %1 wants to connect.
Purpose: %2

Accept?</source>
        <translation>Klient %1 vil koble til.
Formål: %2

Godta?</translation>
    </message>
    <message>
        <source>remote access</source>
        <translation>fjerntilgang</translation>
    </message>
    <message>
        <source>Incoming Connection</source>
        <translation>Innkommende tilkobling</translation>
    </message>
    <message>
        <source>Incoming connection from </source>
        <translation>Innkommende tilkobling fra </translation>
    </message>
    <message>
        <source>Initiating session...</source>
        <translation>Starter økten...</translation>
    </message>
    <message>
        <source>Exchanging keys...</source>
        <translation>Utveksler nøkler...</translation>
    </message>
    <message>
        <source>Establishing transport...</source>
        <translation>Oppretter transport...</translation>
    </message>
    <message>
        <source>Connected</source>
        <translation>Tilkoblet</translation>
    </message>
    <message>
        <source>Nimbral - Connected to %1</source>
        <translation>Nimbral - Tilkoblet %1</translation>
    </message>
    <message>
        <source>Remote session active — sharing your screen.</source>
        <translation>Ekstern økt aktiv — skjermen din deles.</translation>
    </message>
    <message>
        <source>Disconnecting...</source>
        <translation>Kobler fra...</translation>
    </message>
    <message>
        <source>Session failed</source>
        <translation>Økten mislyktes</translation>
    </message>
    <message>
        <source>Session failed.</source>
        <translation>Økten mislyktes.</translation>
    </message>
    <message>
        <source>Session Error</source>
        <translation>Øktfeil</translation>
    </message>
    <message>
        <source>Application minimized to system tray.</source>
        <translation>Programmet er minimert til systemstatusfeltet.</translation>
    </message>
    <message>
        <source>Change Session Password</source>
        <translation>Endre øktpassord</translation>
    </message>
    <message>
        <source>New password (min 8 chars, uppercase + lowercase + digit):</source>
        <translation>Nytt passord (minst 8 tegn, stor + liten bokstav + siffer):</translation>
    </message>
    <message>
        <source>Invalid Password</source>
        <translation>Ugyldig passord</translation>
    </message>
    <message>
        <source>Wake-on-LAN packet sent to %1</source>
        <translation>Wake-on-LAN-pakke sendt til %1</translation>
    </message>
    <message>
        <source>Chat</source>
        <translation>Chat</translation>
    </message>
    <message>
        <source>Remote</source>
        <translation>Partner</translation>
    </message>
    <message>
        <source>Chat (!)</source>
        <translation>Chat (!)</translation>
    </message>
    <message>
        <source>Good</source>
        <translation>God</translation>
    </message>
    <message>
        <source>Fair</source>
        <translation>Middels</translation>
    </message>
    <message>
        <source>Poor</source>
        <translation>Dårlig</translation>
    </message>
    <message>
        <source>%1 (%2 FPS, %3ms)</source>
        <translation>%1 (%2 FPS, %3 ms)</translation>
    </message>
    <message>
        <source>Downloading... %1%</source>
        <translation>Laster ned... %1%</translation>
    </message>
    <message>
        <source>Update Now</source>
        <translation>Oppdater nå</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>Oppdatering</translation>
    </message>
    <message>
        <source>Update available: v%1</source>
        <translation>Oppdatering tilgjengelig: v%1</translation>
    </message>
    <message>
        <source>Downloading...</source>
        <translation>Laster ned...</translation>
    </message>
    <message>
        <source>Could not start the installer.</source>
        <translation>Installasjonsprogrammet kunne ikke startes.</translation>
    </message>
    <message>
        <source>The connection to the server is not encrypted</source>
        <translation>Tilkoblingen til serveren er ikke kryptert</translation>
    </message>
    <message>
        <source>Client %1 wants to connect with your pairing code.

Security code: %2
Ask your partner to read out the code on their screen: accept only if it is the same.

Partner's device key: %3

Accept?</source>
        <translation>Klient %1 vil koble til med sammenkoblingskoden din.

Sikkerhetskode: %2
Be partneren din lese opp koden på skjermen sin: godta bare hvis den er den samme.

Partnerens enhetsnøkkel: %3

Godta?</translation>
    </message>
    <message>
        <source>Device Key Changed</source>
        <translation>Enhetsnøkkelen er endret</translation>
    </message>
    <message>
        <source>Trust the new key and connect?</source>
        <translation>Stole på den nye nøkkelen og koble til?</translation>
    </message>
    <message>
        <source>security code %1</source>
        <translation>sikkerhetskode %1</translation>
    </message>
    <message>
        <source>Not verified</source>
        <translation>Ikke verifisert</translation>
    </message>
    <message>
        <source>Nimbral - Connected to %1 (%2)</source>
        <translation>Nimbral - Koblet til %1 (%2)</translation>
    </message>
    <message>
        <source>Device key: %1</source>
        <translation>Enhetsnøkkel: %1</translation>
    </message>
    <message>
        <source>The Wake-on-LAN packet to %1 could not be sent.</source>
        <translation>Wake-on-LAN-pakken til %1 kunne ikke sendes.</translation>
    </message>
    <message>
        <source>%1 (idle, %2ms)</source>
        <translation>%1 (inaktiv, %2 ms)</translation>
    </message>
    <message>
        <source>Sharing this screen with %1 since %2</source>
        <translation>Denne skjermen deles med %1 siden %2</translation>
    </message>
    <message>
        <source>Show password</source>
        <translation>Vis passord</translation>
    </message>
    <message>
        <source>FAVORITES</source>
        <translation>FAVORITTER</translation>
    </message>
    <message>
        <source>Copied</source>
        <translation>Kopiert</translation>
    </message>
    <message>
        <source>Wake-on-LAN starts the partner's computer through its network card. Enter that card's MAC address: six pairs of hexadecimal digits, such as 00:1A:2B:3C:4D:5E. On the partner's computer, "ip link" (Linux) or "getmac" (Windows) shows it.</source>
        <translation>Wake-on-LAN starter partnerens datamaskin via nettverkskortet. Skriv inn kortets MAC-adresse: seks par heksadesimale sifre, for eksempel 00:1A:2B:3C:4D:5E. På partnerens maskin viser "ip link" (Linux) eller "getmac" (Windows) den.</translation>
    </message>
    <message>
        <source>"%1" is not a MAC address: it has six pairs of hexadecimal digits, such as 00:1A:2B:3C:4D:5E.</source>
        <translation>"%1" er ikke en MAC-adresse: den har seks par heksadesimale sifre, for eksempel 00:1A:2B:3C:4D:5E.</translation>
    </message>
    <message>
        <source>Hide password</source>
        <translation>Skjul passord</translation>
    </message>
    <message>
        <source>Reconnect</source>
        <translation>Koble til igjen</translation>
    </message>
    <message>
        <source>Connection to partner %1 lost: reconnecting (attempt %2 of %3)...</source>
        <translation>Forbindelsen til partner %1 ble brutt: kobler til igjen (forsøk %2 av %3)...</translation>
    </message>
    <message>
        <source>Session Ended</source>
        <translation>Økten er avsluttet</translation>
    </message>
    <message>
        <source>Partner %1 ended the session.</source>
        <translation>Partner %1 avsluttet økten.</translation>
    </message>
    <message>
        <source>Connection Lost</source>
        <translation>Forbindelsen ble brutt</translation>
    </message>
    <message>
        <source>The connection to partner %1 was lost.</source>
        <translation>Forbindelsen til partner %1 ble brutt.</translation>
    </message>
    <message>
        <source>The connection to partner %1 was lost, and %2 attempts to reconnect failed.</source>
        <translation>Forbindelsen til partner %1 ble brutt, og %2 forsøk på å koble til igjen mislyktes.</translation>
    </message>
    <message>
        <source>Another session is under way.</source>
        <translation>En annen økt pågår.</translation>
    </message>
    <message>
        <source>Monitor %1: %2 (%3 × %4)</source>
        <translation>Skjerm %1: %2 (%3 × %4)</translation>
    </message>
    <message>
        <source>Monitor %1 is not available on the partner's computer.</source>
        <translation>Skjerm %1 finnes ikke på partnerens datamaskin.</translation>
    </message>
    <message>
        <source>The partner's screen cannot be shown: their desktop offers no way to share it.</source>
        <translation>Partnerens skjerm kan ikke vises: skrivebordet deres tilbyr ingen måte å dele den på.</translation>
    </message>
    <message>
        <source>Scale: %1</source>
        <translation>Skalering: %1</translation>
    </message>
</context>
<context>
    <name>nimbral::SessionManager</name>
    <message>
        <source>Crypto error: %1</source>
        <translation>Kryptografisk feil: %1</translation>
    </message>
    <message>
        <source>ECDH key derivation failed</source>
        <translation>Utledning av ECDH-nøkkel mislyktes</translation>
    </message>
    <message>
        <source>Cipher error: %1</source>
        <translation>Krypteringsfeil: %1</translation>
    </message>
    <message>
        <source>Cannot initiate session: not idle</source>
        <translation>Kan ikke starte økten: en annen pågår</translation>
    </message>
    <message>
        <source>Server returned invalid session data</source>
        <translation>Serveren returnerte ugyldige øktdata</translation>
    </message>
    <message>
        <source>Missing target ECDH public key</source>
        <translation>Målets offentlige ECDH-nøkkel mangler</translation>
    </message>
    <message>
        <source>Cannot accept session: not idle</source>
        <translation>Kan ikke godta økten: en annen pågår</translation>
    </message>
    <message>
        <source>Transport failed: %1</source>
        <translation>Transporten mislyktes: %1</translation>
    </message>
    <message>
        <source>Partner did not respond</source>
        <translation>Partneren svarte ikke</translation>
    </message>
    <message>
        <source>Failed to start screen capture.</source>
        <translation>Skjermopptaket kunne ikke startes.</translation>
    </message>
    <message>
        <source>Too many wrong passwords for partner %1: wait a few minutes, then try again</source>
        <translation>For mange feil passord for partner %1: vent noen minutter og prøv igjen</translation>
    </message>
    <message>
        <source>Partner %1 declined the session</source>
        <translation>Partner %1 avslo økten</translation>
    </message>
    <message>
        <source>Wrong password for partner %1: check it, or ask them for the current one</source>
        <translation>Feil passord for partner %1: sjekk det, eller be om det gjeldende</translation>
    </message>
    <message>
        <source>Partner %1 is unknown: check the ID</source>
        <translation>Partner %1 er ukjent: sjekk ID-en</translation>
    </message>
    <message>
        <source>Partner %1 is offline: ask them to open Nimbral</source>
        <translation>Partner %1 er frakoblet: be partneren åpne Nimbral</translation>
    </message>
    <message>
        <source>%1 is this device's own ID: enter the partner's ID</source>
        <translation>%1 er denne enhetens ID: skriv inn partnerens ID</translation>
    </message>
    <message>
        <source>Partner %1 could not be reached: try again in a moment</source>
        <translation>Partner %1 kunne ikke nås: prøv igjen om et øyeblikk</translation>
    </message>
    <message>
        <source>Partner %1 is busy with other connection requests: try again in a moment</source>
        <translation>Partner %1 er opptatt med andre tilkoblingsforespørsler: prøv igjen om et øyeblikk</translation>
    </message>
    <message>
        <source>Partner %1 accepts only verified sessions</source>
        <translation>Partner %1 godtar bare verifiserte økter</translation>
    </message>
    <message>
        <source>Partner %1 could not check this device's key</source>
        <translation>Partner %1 kunne ikke kontrollere nøkkelen til denne enheten</translation>
    </message>
    <message>
        <source>Partner %1 ended the session before it started</source>
        <translation>Partner %1 avsluttet økten før den begynte</translation>
    </message>
    <message>
        <source>The password exchange could not be started</source>
        <translation>Passordutvekslingen kunne ikke startes</translation>
    </message>
    <message>
        <source>Partner %1 cannot open a verified session, and this device accepts only verified sessions</source>
        <translation>Partner %1 kan ikke åpne en verifisert økt, og denne enheten godtar bare verifiserte økter</translation>
    </message>
    <message>
        <source>Partner %1 verified its sessions before and now offers only an unverified one. Not connected: someone may be posing as it.</source>
        <translation>Partner %1 verifiserte øktene sine før og tilbyr nå bare en uverifisert. Ikke tilkoblet: noen kan utgi seg for å være den.</translation>
    </message>
    <message>
        <source>Partner %1 did not prove its device key. Not connected.</source>
        <translation>Partner %1 beviste ikke enhetsnøkkelen sin. Ikke tilkoblet.</translation>
    </message>
    <message>
        <source>The device key of partner %1 has changed.

Before: %2
Now: %3

If the partner's device was set up again, you can trust the new key; otherwise someone may be posing as it. Not connected.</source>
        <translation>Enhetsnøkkelen til partner %1 er endret.

Før: %2
Nå: %3

Hvis partnerens enhet er satt opp på nytt, kan du stole på den nye nøkkelen; ellers kan noen utgi seg for å være den. Ikke tilkoblet.</translation>
    </message>
</context>
<context>
    <name>nimbral::SessionNotice</name>
    <message>
        <source>Partner %1 sees and controls this screen</source>
        <translation>Partner %1 ser og styrer denne skjermen</translation>
    </message>
    <message>
        <source>End session</source>
        <translation>Avslutt økten</translation>
    </message>
    <message>
        <source>Looking at files in %1</source>
        <translation>Ser på filer i %1</translation>
    </message>
    <message>
        <source>Copying %1 from this computer</source>
        <translation>Kopierer %1 fra denne datamaskinen</translation>
    </message>
    <message>
        <source>Copying %1 to this computer</source>
        <translation>Kopierer %1 til denne datamaskinen</translation>
    </message>
</context>
<context>
    <name>nimbral::SettingsDialog</name>
    <message>
        <source>Monitor %1: %2 (%3x%4%5)</source>
        <translation>Skjerm %1: %2 (%3x%4%5)</translation>
    </message>
    <message>
        <source>, Primary</source>
        <translation>, primær</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Innstillinger</translation>
    </message>
    <message>
        <source>Display</source>
        <translation>Visning</translation>
    </message>
    <message>
        <source>Network</source>
        <translation>Nettverk</translation>
    </message>
    <message>
        <source>Advanced</source>
        <translation>Avansert</translation>
    </message>
    <message>
        <source>System default</source>
        <translation>Systemstandard</translation>
    </message>
    <message>
        <source>Application language. Requires restart to take effect.</source>
        <translation>Programmets språk. Trer i kraft etter omstart.</translation>
    </message>
    <message>
        <source>Language:</source>
        <translation>Språk:</translation>
    </message>
    <message>
        <source>Optimize Quality</source>
        <translation>Prioriter kvalitet</translation>
    </message>
    <message>
        <source>Optimize Speed</source>
        <translation>Prioriter hastighet</translation>
    </message>
    <message>
        <source>Quality: 24 fps, sharp image, higher bandwidth.
Speed: 10 fps, lower bandwidth and CPU usage.</source>
        <translation>Kvalitet: 24 fps, skarpt bilde, høyere båndbredde.
Hastighet: 10 fps, lavere båndbredde og CPU-bruk.</translation>
    </message>
    <message>
        <source>Display mode:</source>
        <translation>Visningsmodus:</translation>
    </message>
    <message>
        <source>Select which monitor to share when someone connects to this device.</source>
        <translation>Velg hvilken skjerm som deles når noen kobler til denne enheten.</translation>
    </message>
    <message>
        <source>Capture monitor:</source>
        <translation>Skjerm som tas opp:</translation>
    </message>
    <message>
        <source>Enable clipboard sharing</source>
        <translation>Aktiver deling av utklippstavlen</translation>
    </message>
    <message>
        <source>Synchronise clipboard content between the local and remote machines.</source>
        <translation>Synkroniser innholdet i utklippstavlen mellom den lokale og den eksterne maskinen.</translation>
    </message>
    <message>
        <source>Auto-reconnect on disconnect</source>
        <translation>Koble til automatisk etter frakobling</translation>
    </message>
    <message>
        <source>Automatically attempt to re-establish the connection after an unexpected disconnect.</source>
        <translation>Prøv automatisk å gjenopprette tilkoblingen etter en uventet frakobling.</translation>
    </message>
    <message>
        <source>Maximum number of consecutive reconnection attempts before giving up.</source>
        <translation>Høyeste antall påfølgende tilkoblingsforsøk før det gis opp.</translation>
    </message>
    <message>
        <source>Max reconnect attempts:</source>
        <translation>Maks. tilkoblingsforsøk:</translation>
    </message>
    <message>
        <source>Start when I log in</source>
        <translation>Start når jeg logger inn</translation>
    </message>
    <message>
        <source>Automatically start Nimbral when you log in to your desktop session.</source>
        <translation>Start Nimbral automatisk når du logger inn i skrivebordsøkten.</translation>
    </message>
    <message>
        <source>Run as system service (unattended)</source>
        <translation>Kjør som systemtjeneste (uten tilsyn)</translation>
    </message>
    <message>
        <source>Install NimbralService as a systemd service that runs at boot,
even when no user is logged in. Requires administrator privileges.</source>
        <translation>Installer NimbralService som en systemd-tjeneste som kjører fra oppstart,
også når ingen er logget inn. Krever administratorrettigheter.</translation>
    </message>
    <message>
        <source>Minimize to tray on close</source>
        <translation>Minimer til systemstatusfeltet ved lukking</translation>
    </message>
    <message>
        <source>Keep the application running in the system tray when the window is closed.</source>
        <translation>La programmet kjøre videre i systemstatusfeltet når vinduet lukkes.</translation>
    </message>
    <message>
        <source>Language Changed</source>
        <translation>Språket er endret</translation>
    </message>
    <message>
        <source>Accept only verified sessions</source>
        <translation>Godta bare verifiserte økter</translation>
    </message>
    <message>
        <source>Refuse partners that cannot prove the password to this device themselves (older versions). The password and the pairing code then never leave this device.</source>
        <translation>Avvis partnere som ikke selv kan bevise passordet for denne enheten (eldre versjoner). Passordet og sammenkoblingskoden forlater da aldri denne enheten.</translation>
    </message>
    <message>
        <source>Restart now</source>
        <translation>Start på nytt nå</translation>
    </message>
    <message>
        <source>Later</source>
        <translation>Senere</translation>
    </message>
    <message>
        <source>The new language takes effect when Nimbral starts again.</source>
        <translation>Det nye språket tas i bruk når Nimbral starter på nytt.</translation>
    </message>
</context>
<context>
    <name>nimbral::SystemTrayIcon</name>
    <message>
        <source>Show</source>
        <translation>Vis</translation>
    </message>
    <message>
        <source>Status: Disconnected</source>
        <translation>Status: Frakoblet</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Koble fra</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Avslutt</translation>
    </message>
    <message>
        <source>Nimbral - Remote Access</source>
        <translation>Nimbral - Fjerntilgang</translation>
    </message>
    <message>
        <source>Incoming Connection</source>
        <translation>Innkommende tilkobling</translation>
    </message>
    <message>
        <source>Client %1 is requesting a remote connection.</source>
        <translation>Klient %1 ber om en ekstern tilkobling.</translation>
    </message>
</context>
<context>
    <name>nimbral::UpdateService</name>
    <message>
        <source>The update address is not secure — update aborted.</source>
        <translation>Oppdateringsadressen er ikke sikker — oppdateringen ble avbrutt.</translation>
    </message>
    <message>
        <source>Downloaded file is too small — update aborted.</source>
        <translation>Den nedlastede filen er for liten — oppdateringen ble avbrutt.</translation>
    </message>
    <message>
        <source>Downloaded file does not match its checksum — update aborted.</source>
        <translation>Den nedlastede filen stemmer ikke med kontrollsummen — oppdateringen ble avbrutt.</translation>
    </message>
    <message>
        <source>Cannot write to temp directory.</source>
        <translation>Kan ikke skrive til den midlertidige mappen.</translation>
    </message>
    <message>
        <source>Failed to extract installer from zip.</source>
        <translation>Kunne ikke pakke ut installasjonsprogrammet fra zip-arkivet.</translation>
    </message>
    <message>
        <source>The update is not from a verified release — update aborted.</source>
        <translation>Oppdateringen kommer ikke fra en bekreftet utgivelse — oppdateringen ble avbrutt.</translation>
    </message>
</context>
</TS>
