<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="sv" sourcelanguage="en">
<context>
    <name>nimbral::AuthController</name>
    <message>
        <source>Password must be at least 8 characters.</source>
        <translation>Lösenordet måste ha minst 8 tecken.</translation>
    </message>
    <message>
        <source>Password must be at most 256 characters.</source>
        <translation>Lösenordet får vara högst 256 tecken.</translation>
    </message>
    <message>
        <source>Password must contain at least one lowercase letter.</source>
        <translation>Lösenordet måste innehålla minst en liten bokstav.</translation>
    </message>
    <message>
        <source>Password must contain at least one uppercase letter.</source>
        <translation>Lösenordet måste innehålla minst en stor bokstav.</translation>
    </message>
    <message>
        <source>Password must contain at least one digit.</source>
        <translation>Lösenordet måste innehålla minst en siffra.</translation>
    </message>
</context>
<context>
    <name>nimbral::ChatDialog</name>
    <message>
        <source>Chat</source>
        <translation>Chatt</translation>
    </message>
    <message>
        <source>Type a message…</source>
        <translation>Skriv ett meddelande…</translation>
    </message>
    <message>
        <source>Send</source>
        <translation>Skicka</translation>
    </message>
    <message>
        <source>Me</source>
        <translation>Jag</translation>
    </message>
</context>
<context>
    <name>nimbral::ConnectionDialog</name>
    <message>
        <source>Nimbral - Connect</source>
        <translation>Nimbral - Anslut</translation>
    </message>
    <message>
        <source>Server:</source>
        <translation>Server:</translation>
    </message>
    <message>
        <source>Username</source>
        <translation>Användarnamn</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Lösenord</translation>
    </message>
    <message>
        <source>Login</source>
        <translation>Logga in</translation>
    </message>
    <message>
        <source>Username:</source>
        <translation>Användarnamn:</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>Lösenord:</translation>
    </message>
    <message>
        <source>Password (min 8 chars)</source>
        <translation>Lösenord (minst 8 tecken)</translation>
    </message>
    <message>
        <source>My PC</source>
        <translation>Min dator</translation>
    </message>
    <message>
        <source>Register</source>
        <translation>Registrera</translation>
    </message>
    <message>
        <source>Client Name:</source>
        <translation>Klientnamn:</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fel</translation>
    </message>
    <message>
        <source>Please fill in all fields.</source>
        <translation>Fyll i alla fält.</translation>
    </message>
    <message>
        <source>Please fill in username and password.</source>
        <translation>Fyll i användarnamn och lösenord.</translation>
    </message>
    <message>
        <source>Password must be at least 8 characters.</source>
        <translation>Lösenordet måste ha minst 8 tecken.</translation>
    </message>
</context>
<context>
    <name>nimbral::ConnectionInfoDialog</name>
    <message>
        <source>Connection Information</source>
        <translation>Anslutningsinformation</translation>
    </message>
    <message>
        <source>Session</source>
        <translation>Session</translation>
    </message>
    <message>
        <source>Session ID:</source>
        <translation>Sessions-ID:</translation>
    </message>
    <message>
        <source>Remote ID:</source>
        <translation>Fjärr-ID:</translation>
    </message>
    <message>
        <source>Role:</source>
        <translation>Roll:</translation>
    </message>
    <message>
        <source>Master (Viewer)</source>
        <translation>Master (tittare)</translation>
    </message>
    <message>
        <source>Target (Sharing)</source>
        <translation>Mål (delar)</translation>
    </message>
    <message>
        <source>Transport:</source>
        <translation>Transport:</translation>
    </message>
    <message>
        <source>Connection Quality</source>
        <translation>Anslutningskvalitet</translation>
    </message>
    <message>
        <source>FPS:</source>
        <translation>FPS:</translation>
    </message>
    <message>
        <source>Latency:</source>
        <translation>Fördröjning:</translation>
    </message>
    <message>
        <source>Bandwidth:</source>
        <translation>Bandbredd:</translation>
    </message>
    <message>
        <source>Sent:</source>
        <translation>Skickat:</translation>
    </message>
    <message>
        <source>Received:</source>
        <translation>Mottaget:</translation>
    </message>
    <message>
        <source>Dropped Frames:</source>
        <translation>Tappade bildrutor:</translation>
    </message>
    <message>
        <source>Uptime:</source>
        <translation>Drifttid:</translation>
    </message>
    <message>
        <source>Verification</source>
        <translation>Verifiering</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Status:</translation>
    </message>
    <message>
        <source>Verified</source>
        <translation>Verifierad</translation>
    </message>
    <message>
        <source>Not verified</source>
        <translation>Inte verifierad</translation>
    </message>
    <message>
        <source>Security code:</source>
        <translation>Säkerhetskod:</translation>
    </message>
    <message>
        <source>Partner's device key:</source>
        <translation>Partnerns enhetsnyckel:</translation>
    </message>
    <message>
        <source>This device's key:</source>
        <translation>Den här enhetens nyckel:</translation>
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
        <translation>%1/s, %2 kvar</translation>
    </message>
    <message>
        <source>Transfer cancelled</source>
        <translation>Överföringen avbröts</translation>
    </message>
    <message>
        <source>File Manager</source>
        <translation>Filhanterare</translation>
    </message>
    <message>
        <source>&lt;b&gt;Remote Computer&lt;/b&gt;</source>
        <translation>&lt;b&gt;Fjärrdator&lt;/b&gt;</translation>
    </message>
    <message>
        <source>Go up one directory</source>
        <translation>Gå upp en nivå</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Namn</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Storlek</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Typ</translation>
    </message>
    <message>
        <source>Download selected remote file to local</source>
        <translation>Hämta vald fjärrfil till den här datorn</translation>
    </message>
    <message>
        <source>Upload selected local file to remote</source>
        <translation>Ladda upp vald lokal fil till fjärrdatorn</translation>
    </message>
    <message>
        <source>&lt;b&gt;Local Computer&lt;/b&gt;</source>
        <translation>&lt;b&gt;Lokal dator&lt;/b&gt;</translation>
    </message>
    <message>
        <source>&lt;b&gt;Remote: &lt;/b&gt;%1</source>
        <translation>&lt;b&gt;Fjärr: &lt;/b&gt;%1</translation>
    </message>
    <message>
        <source>Loading remote directory...</source>
        <translation>Läser in fjärrmappen...</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Mapp</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Fil</translation>
    </message>
    <message>
        <source>%1 items</source>
        <translation>%1 objekt</translation>
    </message>
    <message>
        <source>Select one or more remote files to download.</source>
        <translation>Välj en eller flera fjärrfiler att hämta.</translation>
    </message>
    <message>
        <source>No files selected (folders are skipped).</source>
        <translation>Inga filer valda (mappar hoppas över).</translation>
    </message>
    <message>
        <source>Overwrite?</source>
        <translation>Skriva över?</translation>
    </message>
    <message>
        <source>These files already exist locally and will be overwritten:
%1

Continue?</source>
        <translation>De här filerna finns redan lokalt och kommer att skrivas över:
%1

Fortsätta?</translation>
    </message>
    <message>
        <source>Downloading %1 of %2: %3</source>
        <translation>Hämtar %1 av %2: %3</translation>
    </message>
    <message>
        <source>Downloaded: %1 — %2 remaining</source>
        <translation>Hämtad: %1 — %2 kvar</translation>
    </message>
    <message>
        <source>All downloads complete.</source>
        <translation>Alla hämtningar är klara.</translation>
    </message>
    <message>
        <source>Select one or more local files to upload.</source>
        <translation>Välj en eller flera lokala filer att ladda upp.</translation>
    </message>
    <message>
        <source>These files already exist on the remote and will be overwritten:
%1

Continue?</source>
        <translation>De här filerna finns redan på fjärrdatorn och kommer att skrivas över:
%1

Fortsätta?</translation>
    </message>
    <message>
        <source>Uploading %1 of %2: %3</source>
        <translation>Laddar upp %1 av %2: %3</translation>
    </message>
    <message>
        <source>All uploads complete.</source>
        <translation>Alla uppladdningar är klara.</translation>
    </message>
    <message>
        <source>Error: %1</source>
        <translation>Fel: %1</translation>
    </message>
    <message>
        <source>Refused an unsafe name in the folder: %1</source>
        <translation>Ett osäkert namn i mappen avvisades: %1</translation>
    </message>
    <message>
        <source>Listing folder %1...</source>
        <translation>Listar mappen %1...</translation>
    </message>
    <message>
        <source>Folder too large: %1</source>
        <translation>Mappen är för stor: %1</translation>
    </message>
    <message>
        <source>Cannot write to local file: %1</source>
        <translation>Kan inte skriva lokal fil: %1</translation>
    </message>
    <message>
        <source>Refused an unsafe name in the listing: %1</source>
        <translation>Ett osäkert namn i listan avvisades: %1</translation>
    </message>
    <message>
        <source>Drives</source>
        <translation>Enheter</translation>
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
        <translation>Överföringen avbröts</translation>
    </message>
    <message>
        <source>Transfer corrupted, checksum mismatch: %1</source>
        <translation>Överföringen är skadad, kontrollsumman stämmer inte: %1</translation>
    </message>
    <message>
        <source>Cannot open local file: %1</source>
        <translation>Kan inte öppna lokal fil: %1</translation>
    </message>
    <message>
        <source>File too large to transfer: %1 (%2 bytes, at most %3)</source>
        <translation>Filen är för stor för att överföras: %1 (%2 byte, högst %3)</translation>
    </message>
    <message>
        <source>Remote file download failed</source>
        <translation>Hämtningen av fjärrfilen misslyckades</translation>
    </message>
    <message>
        <source>Cannot write to local file: %1</source>
        <translation>Kan inte skriva lokal fil: %1</translation>
    </message>
    <message>
        <source>Refused an unsafe name in the folder: %1</source>
        <translation>Ett osäkert namn i mappen avvisades: %1</translation>
    </message>
</context>
<context>
    <name>nimbral::MainWindow</name>
    <message>
        <source>Nimbral - Remote Access</source>
        <translation>Nimbral - Fjärråtkomst</translation>
    </message>
    <message>
        <source>Server unavailable — retrying...</source>
        <translation>Servern är inte tillgänglig — försöker igen...</translation>
    </message>
    <message>
        <source>Admin Panel</source>
        <translation>Administrationspanel</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Inställningar</translation>
    </message>
    <message>
        <source>YOUR ID</source>
        <translation>DITT ID</translation>
    </message>
    <message>
        <source>Connecting...</source>
        <translation>Ansluter...</translation>
    </message>
    <message>
        <source>Copy ID</source>
        <translation>Kopiera ID</translation>
    </message>
    <message>
        <source>PASSWORD</source>
        <translation>LÖSENORD</translation>
    </message>
    <message>
        <source>Copy Password</source>
        <translation>Kopiera lösenord</translation>
    </message>
    <message>
        <source>Change Password</source>
        <translation>Byt lösenord</translation>
    </message>
    <message>
        <source>CONNECT TO PARTNER</source>
        <translation>ANSLUT TILL PARTNER</translation>
    </message>
    <message>
        <source>Partner ID  (XXX XXX XXX)</source>
        <translation>Partner-ID  (XXX XXX XXX)</translation>
    </message>
    <message>
        <source>Add to favorites</source>
        <translation>Lägg till i favoriter</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Lösenord</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Anslut</translation>
    </message>
    <message>
        <source>Wake-on-LAN</source>
        <translation>Wake-on-LAN</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Koppla från</translation>
    </message>
    <message>
        <source>PAIRING CODE</source>
        <translation>PARKOPPLINGSKOD</translation>
    </message>
    <message>
        <source>Copy Pairing Code</source>
        <translation>Kopiera parkopplingskod</translation>
    </message>
    <message>
        <source>Add this device at</source>
        <translation>Lägg till den här enheten på</translation>
    </message>
    <message>
        <source>Info  (Ctrl+Shift+I)</source>
        <translation>Info  (Ctrl+Skift+I)</translation>
    </message>
    <message>
        <source>Files  (Ctrl+Shift+F)</source>
        <translation>Filer  (Ctrl+Skift+F)</translation>
    </message>
    <message>
        <source>Chat  (Ctrl+Shift+C)</source>
        <translation>Chatt  (Ctrl+Skift+C)</translation>
    </message>
    <message>
        <source>Scale Mode  (Ctrl+Shift+Q)</source>
        <translation>Skalning  (Ctrl+Skift+Q)</translation>
    </message>
    <message>
        <source>Fit to Window</source>
        <translation>Anpassa till fönstret</translation>
    </message>
    <message>
        <source>Stretch to Fill</source>
        <translation>Sträck ut</translation>
    </message>
    <message>
        <source>Original Size</source>
        <translation>Originalstorlek</translation>
    </message>
    <message>
        <source>Switch Monitor</source>
        <translation>Byt skärm</translation>
    </message>
    <message>
        <source>Monitor %1</source>
        <translation>Skärm %1</translation>
    </message>
    <message>
        <source>Fullscreen  (F11)</source>
        <translation>Helskärm  (F11)</translation>
    </message>
    <message>
        <source>Connection: Good</source>
        <translation>Anslutning: bra</translation>
    </message>
    <message>
        <source>Disconnect  (Ctrl+Shift+D)</source>
        <translation>Koppla från  (Ctrl+Skift+D)</translation>
    </message>
    <message>
        <source>This display cannot show the remote screen (no OpenGL).</source>
        <translation>Den här skärmen kan inte visa fjärrskärmen (OpenGL saknas).</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fel</translation>
    </message>
    <message>
        <source>Please enter a partner Client ID.</source>
        <translation>Ange partnerns klient-ID.</translation>
    </message>
    <message>
        <source>Partner ID must be exactly 9 digits.</source>
        <translation>Partner-ID måste ha exakt 9 siffror.</translation>
    </message>
    <message>
        <source>Please enter the partner's password.</source>
        <translation>Ange partnerns lösenord.</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>Redo</translation>
    </message>
    <message>
        <source>Ready. Your ID: %1</source>
        <translation>Redo. Ditt ID: %1</translation>
    </message>
    <message>
        <source>Not connected</source>
        <translation>Inte ansluten</translation>
    </message>
    <message>
        <source>Disconnected</source>
        <translation>Frånkopplad</translation>
    </message>
    <message>
        <source>Online (Ready)</source>
        <translation>Online (redo)</translation>
    </message>
    <message>
        <source>Reconnecting...</source>
        <translation>Återansluter...</translation>
    </message>
    <message>
        <source>Client %1 wants to connect.
Purpose: %2

Accept?</source>
        <translation>Klient %1 vill ansluta.
Syfte: %2

Acceptera?</translation>
    </message>
    <message>
        <source>remote access</source>
        <translation>fjärråtkomst</translation>
    </message>
    <message>
        <source>Incoming Connection</source>
        <translation>Inkommande anslutning</translation>
    </message>
    <message>
        <source>Incoming connection from </source>
        <translation>Inkommande anslutning från </translation>
    </message>
    <message>
        <source>Initiating session...</source>
        <translation>Startar sessionen...</translation>
    </message>
    <message>
        <source>Exchanging keys...</source>
        <translation>Utbyter nycklar...</translation>
    </message>
    <message>
        <source>Establishing transport...</source>
        <translation>Upprättar transport...</translation>
    </message>
    <message>
        <source>Connected</source>
        <translation>Ansluten</translation>
    </message>
    <message>
        <source>Nimbral - Connected to %1</source>
        <translation>Nimbral - Ansluten till %1</translation>
    </message>
    <message>
        <source>Remote session active — sharing your screen.</source>
        <translation>Fjärrsession aktiv — din skärm delas.</translation>
    </message>
    <message>
        <source>Disconnecting...</source>
        <translation>Kopplar från...</translation>
    </message>
    <message>
        <source>Session failed</source>
        <translation>Sessionen misslyckades</translation>
    </message>
    <message>
        <source>Session failed.</source>
        <translation>Sessionen misslyckades.</translation>
    </message>
    <message>
        <source>Session Error</source>
        <translation>Sessionsfel</translation>
    </message>
    <message>
        <source>Application minimized to system tray.</source>
        <translation>Programmet har minimerats till systemfältet.</translation>
    </message>
    <message>
        <source>Change Session Password</source>
        <translation>Byt sessionslösenord</translation>
    </message>
    <message>
        <source>New password (min 8 chars, uppercase + lowercase + digit):</source>
        <translation>Nytt lösenord (minst 8 tecken, stor + liten bokstav + siffra):</translation>
    </message>
    <message>
        <source>Invalid Password</source>
        <translation>Ogiltigt lösenord</translation>
    </message>
    <message>
        <source>Wake-on-LAN packet sent to %1</source>
        <translation>Wake-on-LAN-paket skickat till %1</translation>
    </message>
    <message>
        <source>Chat</source>
        <translation>Chatt</translation>
    </message>
    <message>
        <source>Remote</source>
        <translation>Partner</translation>
    </message>
    <message>
        <source>Chat (!)</source>
        <translation>Chatt (!)</translation>
    </message>
    <message>
        <source>Good</source>
        <translation>Bra</translation>
    </message>
    <message>
        <source>Fair</source>
        <translation>Godtagbar</translation>
    </message>
    <message>
        <source>Poor</source>
        <translation>Dålig</translation>
    </message>
    <message>
        <source>%1 (%2 FPS, %3ms)</source>
        <translation>%1 (%2 FPS, %3 ms)</translation>
    </message>
    <message>
        <source>Downloading... %1%</source>
        <translation>Hämtar... %1%</translation>
    </message>
    <message>
        <source>Update Now</source>
        <translation>Uppdatera nu</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>Uppdatering</translation>
    </message>
    <message>
        <source>Update available: v%1</source>
        <translation>Uppdatering tillgänglig: v%1</translation>
    </message>
    <message>
        <source>Downloading...</source>
        <translation>Hämtar...</translation>
    </message>
    <message>
        <source>Could not start the installer.</source>
        <translation>Installationsprogrammet kunde inte startas.</translation>
    </message>
    <message>
        <source>The connection to the server is not encrypted</source>
        <translation>Anslutningen till servern är inte krypterad</translation>
    </message>
    <message>
        <source>Client %1 wants to connect with your pairing code.

Security code: %2
Ask your partner to read out the code on their screen: accept only if it is the same.

Partner's device key: %3

Accept?</source>
        <translation>Klient %1 vill ansluta med din parkopplingskod.

Säkerhetskod: %2
Be din partner läsa upp koden på sin skärm: acceptera bara om den är densamma.

Partnerns enhetsnyckel: %3

Acceptera?</translation>
    </message>
    <message>
        <source>Device Key Changed</source>
        <translation>Enhetsnyckeln har ändrats</translation>
    </message>
    <message>
        <source>Trust the new key and connect?</source>
        <translation>Lita på den nya nyckeln och ansluta?</translation>
    </message>
    <message>
        <source>security code %1</source>
        <translation>säkerhetskod %1</translation>
    </message>
    <message>
        <source>Not verified</source>
        <translation>Inte verifierad</translation>
    </message>
    <message>
        <source>Nimbral - Connected to %1 (%2)</source>
        <translation>Nimbral - Ansluten till %1 (%2)</translation>
    </message>
    <message>
        <source>Device key: %1</source>
        <translation>Enhetsnyckel: %1</translation>
    </message>
    <message>
        <source>The Wake-on-LAN packet to %1 could not be sent.</source>
        <translation>Wake-on-LAN-paketet till %1 kunde inte skickas.</translation>
    </message>
    <message>
        <source>%1 (idle, %2ms)</source>
        <translation>%1 (vilande, %2 ms)</translation>
    </message>
    <message>
        <source>Sharing this screen with %1 since %2</source>
        <translation>Den här skärmen delas med %1 sedan %2</translation>
    </message>
    <message>
        <source>Show password</source>
        <translation>Visa lösenord</translation>
    </message>
    <message>
        <source>FAVORITES</source>
        <translation>FAVORITER</translation>
    </message>
    <message>
        <source>Copied</source>
        <translation>Kopierat</translation>
    </message>
    <message>
        <source>Wake-on-LAN starts the partner's computer through its network card. Enter that card's MAC address: six pairs of hexadecimal digits, such as 00:1A:2B:3C:4D:5E. On the partner's computer, "ip link" (Linux) or "getmac" (Windows) shows it.</source>
        <translation>Wake-on-LAN startar partnerns dator via dess nätverkskort. Ange kortets MAC-adress: sex par hexadecimala siffror, till exempel 00:1A:2B:3C:4D:5E. På partnerns dator visar "ip link" (Linux) eller "getmac" (Windows) den.</translation>
    </message>
    <message>
        <source>"%1" is not a MAC address: it has six pairs of hexadecimal digits, such as 00:1A:2B:3C:4D:5E.</source>
        <translation>"%1" är ingen MAC-adress: den består av sex par hexadecimala siffror, till exempel 00:1A:2B:3C:4D:5E.</translation>
    </message>
    <message>
        <source>Hide password</source>
        <translation>Dölj lösenord</translation>
    </message>
    <message>
        <source>Reconnect</source>
        <translation>Återanslut</translation>
    </message>
    <message>
        <source>Connection to partner %1 lost: reconnecting (attempt %2 of %3)...</source>
        <translation>Anslutningen till partner %1 förlorades: återansluter (försök %2 av %3)...</translation>
    </message>
    <message>
        <source>Session Ended</source>
        <translation>Sessionen avslutad</translation>
    </message>
    <message>
        <source>Partner %1 ended the session.</source>
        <translation>Partner %1 avslutade sessionen.</translation>
    </message>
    <message>
        <source>Connection Lost</source>
        <translation>Anslutningen förlorades</translation>
    </message>
    <message>
        <source>The connection to partner %1 was lost.</source>
        <translation>Anslutningen till partner %1 förlorades.</translation>
    </message>
    <message>
        <source>The connection to partner %1 was lost, and %2 attempts to reconnect failed.</source>
        <translation>Anslutningen till partner %1 förlorades, och %2 försök att återansluta misslyckades.</translation>
    </message>
    <message>
        <source>Another session is under way.</source>
        <translation>En annan session pågår.</translation>
    </message>
    <message>
        <source>Monitor %1: %2 (%3 × %4)</source>
        <translation>Skärm %1: %2 (%3 × %4)</translation>
    </message>
    <message>
        <source>Monitor %1 is not available on the partner's computer.</source>
        <translation>Skärm %1 finns inte på partnerns dator.</translation>
    </message>
    <message>
        <source>The partner's screen cannot be shown: their desktop offers no way to share it.</source>
        <translation>Partnerns skärm kan inte visas: skrivbordet erbjuder inget sätt att dela den.</translation>
    </message>
    <message>
        <source>Scale: %1</source>
        <translation>Skalning: %1</translation>
    </message>
</context>
<context>
    <name>nimbral::SessionManager</name>
    <message>
        <source>Crypto error: %1</source>
        <translation>Kryptografiskt fel: %1</translation>
    </message>
    <message>
        <source>ECDH key derivation failed</source>
        <translation>Härledningen av ECDH-nyckeln misslyckades</translation>
    </message>
    <message>
        <source>Cipher error: %1</source>
        <translation>Chifferfel: %1</translation>
    </message>
    <message>
        <source>Cannot initiate session: not idle</source>
        <translation>Kan inte starta sessionen: en annan pågår</translation>
    </message>
    <message>
        <source>Server returned invalid session data</source>
        <translation>Servern returnerade ogiltiga sessionsdata</translation>
    </message>
    <message>
        <source>Missing target ECDH public key</source>
        <translation>Målets publika ECDH-nyckel saknas</translation>
    </message>
    <message>
        <source>Cannot accept session: not idle</source>
        <translation>Kan inte acceptera sessionen: en annan pågår</translation>
    </message>
    <message>
        <source>Transport failed: %1</source>
        <translation>Transporten misslyckades: %1</translation>
    </message>
    <message>
        <source>Partner did not respond</source>
        <translation>Partnern svarade inte</translation>
    </message>
    <message>
        <source>Failed to start screen capture.</source>
        <translation>Skärminspelningen kunde inte startas.</translation>
    </message>
    <message>
        <source>Too many wrong passwords for partner %1: wait a few minutes, then try again</source>
        <translation>För många felaktiga lösenord för partner %1: vänta några minuter och försök sedan igen</translation>
    </message>
    <message>
        <source>Partner %1 declined the session</source>
        <translation>Partner %1 avböjde sessionen</translation>
    </message>
    <message>
        <source>Wrong password for partner %1: check it, or ask them for the current one</source>
        <translation>Fel lösenord för partner %1: kontrollera det eller be om det aktuella</translation>
    </message>
    <message>
        <source>Partner %1 is unknown: check the ID</source>
        <translation>Partner %1 är okänd: kontrollera ID:t</translation>
    </message>
    <message>
        <source>Partner %1 is offline: ask them to open Nimbral</source>
        <translation>Partner %1 är offline: be partnern öppna Nimbral</translation>
    </message>
    <message>
        <source>%1 is this device's own ID: enter the partner's ID</source>
        <translation>%1 är den här enhetens ID: ange partnerns ID</translation>
    </message>
    <message>
        <source>Partner %1 could not be reached: try again in a moment</source>
        <translation>Partner %1 kunde inte nås: försök igen om en stund</translation>
    </message>
    <message>
        <source>Partner %1 is busy with other connection requests: try again in a moment</source>
        <translation>Partner %1 är upptagen med andra anslutningsförfrågningar: försök igen om en stund</translation>
    </message>
    <message>
        <source>Partner %1 accepts only verified sessions</source>
        <translation>Partner %1 accepterar endast verifierade sessioner</translation>
    </message>
    <message>
        <source>Partner %1 could not check this device's key</source>
        <translation>Partner %1 kunde inte kontrollera den här enhetens nyckel</translation>
    </message>
    <message>
        <source>Partner %1 ended the session before it started</source>
        <translation>Partner %1 avslutade sessionen innan den började</translation>
    </message>
    <message>
        <source>The password exchange could not be started</source>
        <translation>Lösenordsutbytet kunde inte startas</translation>
    </message>
    <message>
        <source>Partner %1 cannot open a verified session, and this device accepts only verified sessions</source>
        <translation>Partner %1 kan inte öppna en verifierad session, och den här enheten accepterar endast verifierade sessioner</translation>
    </message>
    <message>
        <source>Partner %1 verified its sessions before and now offers only an unverified one. Not connected: someone may be posing as it.</source>
        <translation>Partner %1 verifierade tidigare sina sessioner och erbjuder nu bara en overifierad. Inte ansluten: någon kan utge sig för att vara den.</translation>
    </message>
    <message>
        <source>Partner %1 did not prove its device key. Not connected.</source>
        <translation>Partner %1 bevisade inte sin enhetsnyckel. Inte ansluten.</translation>
    </message>
    <message>
        <source>The device key of partner %1 has changed.

Before: %2
Now: %3

If the partner's device was set up again, you can trust the new key; otherwise someone may be posing as it. Not connected.</source>
        <translation>Enhetsnyckeln för partner %1 har ändrats.

Före: %2
Nu: %3

Om partnerns enhet har installerats om kan du lita på den nya nyckeln; annars kan någon utge sig för att vara den. Inte ansluten.</translation>
    </message>
</context>
<context>
    <name>nimbral::SessionNotice</name>
    <message>
        <source>Partner %1 sees and controls this screen</source>
        <translation>Partner %1 ser och styr den här skärmen</translation>
    </message>
    <message>
        <source>End session</source>
        <translation>Avsluta sessionen</translation>
    </message>
    <message>
        <source>Looking at files in %1</source>
        <translation>Tittar på filer i %1</translation>
    </message>
    <message>
        <source>Copying %1 from this computer</source>
        <translation>Kopierar %1 från den här datorn</translation>
    </message>
    <message>
        <source>Copying %1 to this computer</source>
        <translation>Kopierar %1 till den här datorn</translation>
    </message>
</context>
<context>
    <name>nimbral::SettingsDialog</name>
    <message>
        <source>Monitor %1: %2 (%3x%4%5)</source>
        <translation>Skärm %1: %2 (%3x%4%5)</translation>
    </message>
    <message>
        <source>, Primary</source>
        <translation>, primär</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Inställningar</translation>
    </message>
    <message>
        <source>Display</source>
        <translation>Visning</translation>
    </message>
    <message>
        <source>Network</source>
        <translation>Nätverk</translation>
    </message>
    <message>
        <source>Advanced</source>
        <translation>Avancerat</translation>
    </message>
    <message>
        <source>System default</source>
        <translation>Systemets standard</translation>
    </message>
    <message>
        <source>Application language. Requires restart to take effect.</source>
        <translation>Programmets språk. Börjar gälla efter omstart.</translation>
    </message>
    <message>
        <source>Language:</source>
        <translation>Språk:</translation>
    </message>
    <message>
        <source>Optimize Quality</source>
        <translation>Prioritera kvalitet</translation>
    </message>
    <message>
        <source>Optimize Speed</source>
        <translation>Prioritera hastighet</translation>
    </message>
    <message>
        <source>Quality: 24 fps, sharp image, higher bandwidth.
Speed: 10 fps, lower bandwidth and CPU usage.</source>
        <translation>Kvalitet: 24 fps, skarp bild, högre bandbredd.
Hastighet: 10 fps, lägre bandbredd och CPU-belastning.</translation>
    </message>
    <message>
        <source>Display mode:</source>
        <translation>Visningsläge:</translation>
    </message>
    <message>
        <source>Select which monitor to share when someone connects to this device.</source>
        <translation>Välj vilken skärm som delas när någon ansluter till den här enheten.</translation>
    </message>
    <message>
        <source>Capture monitor:</source>
        <translation>Skärm som spelas in:</translation>
    </message>
    <message>
        <source>Enable clipboard sharing</source>
        <translation>Aktivera delat urklipp</translation>
    </message>
    <message>
        <source>Synchronise clipboard content between the local and remote machines.</source>
        <translation>Synkronisera urklippets innehåll mellan den lokala datorn och fjärrdatorn.</translation>
    </message>
    <message>
        <source>Auto-reconnect on disconnect</source>
        <translation>Återanslut automatiskt efter frånkoppling</translation>
    </message>
    <message>
        <source>Automatically attempt to re-establish the connection after an unexpected disconnect.</source>
        <translation>Försök automatiskt återupprätta anslutningen efter en oväntad frånkoppling.</translation>
    </message>
    <message>
        <source>Maximum number of consecutive reconnection attempts before giving up.</source>
        <translation>Högsta antal återanslutningsförsök i följd innan det ges upp.</translation>
    </message>
    <message>
        <source>Max reconnect attempts:</source>
        <translation>Max antal återanslutningsförsök:</translation>
    </message>
    <message>
        <source>Start when I log in</source>
        <translation>Starta när jag loggar in</translation>
    </message>
    <message>
        <source>Automatically start Nimbral when you log in to your desktop session.</source>
        <translation>Starta Nimbral automatiskt när du loggar in i din skrivbordssession.</translation>
    </message>
    <message>
        <source>Run as system service (unattended)</source>
        <translation>Kör som systemtjänst (obevakad)</translation>
    </message>
    <message>
        <source>Install NimbralService as a systemd service that runs at boot,
even when no user is logged in. Requires administrator privileges.</source>
        <translation>Installera NimbralService som en systemd-tjänst som körs från start,
även när ingen är inloggad. Kräver administratörsbehörighet.</translation>
    </message>
    <message>
        <source>Minimize to tray on close</source>
        <translation>Minimera till systemfältet vid stängning</translation>
    </message>
    <message>
        <source>Keep the application running in the system tray when the window is closed.</source>
        <translation>Låt programmet fortsätta köras i systemfältet när fönstret stängs.</translation>
    </message>
    <message>
        <source>Language Changed</source>
        <translation>Språket har ändrats</translation>
    </message>
    <message>
        <source>Accept only verified sessions</source>
        <translation>Acceptera endast verifierade sessioner</translation>
    </message>
    <message>
        <source>Refuse partners that cannot prove the password to this device themselves (older versions). The password and the pairing code then never leave this device.</source>
        <translation>Avvisa partner som inte själva kan bevisa lösenordet för den här enheten (äldre versioner). Lösenordet och parkopplingskoden lämnar då aldrig den här enheten.</translation>
    </message>
    <message>
        <source>Restart now</source>
        <translation>Starta om nu</translation>
    </message>
    <message>
        <source>Later</source>
        <translation>Senare</translation>
    </message>
    <message>
        <source>The new language takes effect when Nimbral starts again.</source>
        <translation>Det nya språket gäller när Nimbral startar nästa gång.</translation>
    </message>
</context>
<context>
    <name>nimbral::SystemTrayIcon</name>
    <message>
        <source>Show</source>
        <translation>Visa</translation>
    </message>
    <message>
        <source>Status: Disconnected</source>
        <translation>Status: Frånkopplad</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Koppla från</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Avsluta</translation>
    </message>
    <message>
        <source>Nimbral - Remote Access</source>
        <translation>Nimbral - Fjärråtkomst</translation>
    </message>
    <message>
        <source>Incoming Connection</source>
        <translation>Inkommande anslutning</translation>
    </message>
    <message>
        <source>Client %1 is requesting a remote connection.</source>
        <translation>Klient %1 begär en fjärranslutning.</translation>
    </message>
</context>
<context>
    <name>nimbral::UpdateService</name>
    <message>
        <source>The update address is not secure — update aborted.</source>
        <translation>Uppdateringsadressen är inte säker — uppdateringen avbröts.</translation>
    </message>
    <message>
        <source>Downloaded file is too small — update aborted.</source>
        <translation>Den hämtade filen är för liten — uppdateringen avbröts.</translation>
    </message>
    <message>
        <source>Downloaded file does not match its checksum — update aborted.</source>
        <translation>Den hämtade filen stämmer inte med sin kontrollsumma — uppdateringen avbröts.</translation>
    </message>
    <message>
        <source>Cannot write to temp directory.</source>
        <translation>Kan inte skriva till den tillfälliga mappen.</translation>
    </message>
    <message>
        <source>Failed to extract installer from zip.</source>
        <translation>Installationsprogrammet kunde inte packas upp ur zip-arkivet.</translation>
    </message>
    <message>
        <source>The update is not from a verified release — update aborted.</source>
        <translation>Uppdateringen kommer inte från en verifierad version — uppdateringen avbröts.</translation>
    </message>
</context>
</TS>
