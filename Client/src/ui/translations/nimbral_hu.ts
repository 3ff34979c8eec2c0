<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="hu" sourcelanguage="en">
<context>
    <name>nimbral::AuthController</name>
    <message>
        <source>Password must be at least 8 characters.</source>
        <translation>A jelszónak legalább 8 karakterből kell állnia.</translation>
    </message>
    <message>
        <source>Password must be at most 256 characters.</source>
        <translation>A jelszó legfeljebb 256 karakter lehet.</translation>
    </message>
    <message>
        <source>Password must contain at least one lowercase letter.</source>
        <translation>A jelszónak legalább egy kisbetűt kell tartalmaznia.</translation>
    </message>
    <message>
        <source>Password must contain at least one uppercase letter.</source>
        <translation>A jelszónak legalább egy nagybetűt kell tartalmaznia.</translation>
    </message>
    <message>
        <source>Password must contain at least one digit.</source>
        <translation>A jelszónak legalább egy számjegyet kell tartalmaznia.</translation>
    </message>
</context>
<context>
    <name>nimbral::ChatDialog</name>
    <message>
        <source>Chat</source>
        <translation>Csevegés</translation>
    </message>
    <message>
        <source>Type a message…</source>
        <translation>Írjon üzenetet…</translation>
    </message>
    <message>
        <source>Send</source>
        <translation>Küldés</translation>
    </message>
    <message>
        <source>Me</source>
        <translation>Én</translation>
    </message>
</context>
<context>
    <name>nimbral::ConnectionDialog</name>
    <message>
        <source>Nimbral - Connect</source>
        <translation>Nimbral - Csatlakozás</translation>
    </message>
    <message>
        <source>Server:</source>
        <translation>Kiszolgáló:</translation>
    </message>
    <message>
        <source>Username</source>
        <translation>Felhasználónév</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Jelszó</translation>
    </message>
    <message>
        <source>Login</source>
        <translation>Bejelentkezés</translation>
    </message>
    <message>
        <source>Username:</source>
        <translation>Felhasználónév:</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>Jelszó:</translation>
    </message>
    <message>
        <source>Password (min 8 chars)</source>
        <translation>Jelszó (min. 8 karakter)</translation>
    </message>
    <message>
        <source>My PC</source>
        <translation>Saját gép</translation>
    </message>
    <message>
        <source>Register</source>
        <translation>Regisztráció</translation>
    </message>
    <message>
        <source>Client Name:</source>
        <translation>Kliens neve:</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Hiba</translation>
    </message>
    <message>
        <source>Please fill in all fields.</source>
        <translation>Kérjük, töltsön ki minden mezőt.</translation>
    </message>
    <message>
        <source>Please fill in username and password.</source>
        <translation>Kérjük, adja meg a felhasználónevet és a jelszót.</translation>
    </message>
    <message>
        <source>Password must be at least 8 characters.</source>
        <translation>A jelszónak legalább 8 karakterből kell állnia.</translation>
    </message>
</context>
<context>
    <name>nimbral::ConnectionInfoDialog</name>
    <message>
        <source>Connection Information</source>
        <translation>Kapcsolat adatai</translation>
    </message>
    <message>
        <source>Session</source>
        <translation>Munkamenet</translation>
    </message>
    <message>
        <source>Session ID:</source>
        <translation>Munkamenet-azonosító:</translation>
    </message>
    <message>
        <source>Remote ID:</source>
        <translation>Távoli azonosító:</translation>
    </message>
    <message>
        <source>Role:</source>
        <translation>Szerep:</translation>
    </message>
    <message>
        <source>Master (Viewer)</source>
        <translation>Master (megtekintő)</translation>
    </message>
    <message>
        <source>Target (Sharing)</source>
        <translation>Cél (megosztó)</translation>
    </message>
    <message>
        <source>Transport:</source>
        <translation>Átvitel:</translation>
    </message>
    <message>
        <source>Connection Quality</source>
        <translation>Kapcsolat minősége</translation>
    </message>
    <message>
        <source>FPS:</source>
        <translation>FPS:</translation>
    </message>
    <message>
        <source>Latency:</source>
        <translation>Késleltetés:</translation>
    </message>
    <message>
        <source>Bandwidth:</source>
        <translation>Sávszélesség:</translation>
    </message>
    <message>
        <source>Sent:</source>
        <translation>Elküldve:</translation>
    </message>
    <message>
        <source>Received:</source>
        <translation>Fogadva:</translation>
    </message>
    <message>
        <source>Dropped Frames:</source>
        <translation>Eldobott képkockák:</translation>
    </message>
    <message>
        <source>Uptime:</source>
        <translation>Üzemidő:</translation>
    </message>
    <message>
        <source>Verification</source>
        <translation>Ellenőrzés</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Állapot:</translation>
    </message>
    <message>
        <source>Verified</source>
        <translation>Ellenőrizve</translation>
    </message>
    <message>
        <source>Not verified</source>
        <translation>Nincs ellenőrizve</translation>
    </message>
    <message>
        <source>Security code:</source>
        <translation>Biztonsági kód:</translation>
    </message>
    <message>
        <source>Partner's device key:</source>
        <translation>A partner eszközkulcsa:</translation>
    </message>
    <message>
        <source>This device's key:</source>
        <translation>Ennek az eszköznek a kulcsa:</translation>
    </message>
</context>
<context>
    <name>nimbral::FileManagerDialog</name>
    <message>
        <source>%v of %m files</source>
        <translation>%v / %m fájl</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Mégse</translation>
    </message>
    <message>
        <source>%1/s, %2 left</source>
        <translation>%1/s, hátravan %2</translation>
    </message>
    <message>
        <source>Transfer cancelled</source>
        <translation>Átvitel megszakítva</translation>
    </message>
    <message>
        <source>File Manager</source>
        <translation>Fájlkezelő</translation>
    </message>
    <message>
        <source>&lt;b&gt;Remote Computer&lt;/b&gt;</source>
        <translation>&lt;b&gt;Távoli számítógép&lt;/b&gt;</translation>
    </message>
    <message>
        <source>Go up one directory</source>
        <translation>Egy szinttel feljebb</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Név</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Méret</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Típus</translation>
    </message>
    <message>
        <source>Download selected remote file to local</source>
        <translation>A kijelölt távoli fájl letöltése erre a gépre</translation>
    </message>
    <message>
        <source>Upload selected local file to remote</source>
        <translation>A kijelölt helyi fájl feltöltése a távoli gépre</translation>
    </message>
    <message>
        <source>&lt;b&gt;Local Computer&lt;/b&gt;</source>
        <translation>&lt;b&gt;Helyi számítógép&lt;/b&gt;</translation>
    </message>
    <message>
        <source>&lt;b&gt;Remote: &lt;/b&gt;%1</source>
        <translation>&lt;b&gt;Távoli: &lt;/b&gt;%1</translation>
    </message>
    <message>
        <source>Loading remote directory...</source>
        <translation>Távoli mappa betöltése...</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Mappa</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Fájl</translation>
    </message>
    <message>
        <source>%1 items</source>
        <translation>%1 elem</translation>
    </message>
    <message>
        <source>Select one or more remote files to download.</source>
        <translation>Jelöljön ki egy vagy több letöltendő távoli fájlt.</translation>
    </message>
    <message>
        <source>No files selected (folders are skipped).</source>
        <translation>Nincs kijelölt fájl (a mappák kimaradnak).</translation>
    </message>
    <message>
        <source>Overwrite?</source>
        <translation>Felülírja?</translation>
    </message>
    <message>
        <source>These files already exist locally and will be overwritten:
%1

Continue?</source>
        <translation>Ezek a fájlok már léteznek helyben, és felül lesznek írva:
%1

Folytatja?</translation>
    </message>
    <message>
        <source>Downloading %1 of %2: %3</source>
        <translation>Letöltés: %1 / %2: %3</translation>
    </message>
    <message>
        <source>Downloaded: %1 — %2 remaining</source>
        <translation>Letöltve: %1 — még %2</translation>
    </message>
    <message>
        <source>All downloads complete.</source>
        <translation>Minden letöltés befejeződött.</translation>
    </message>
    <message>
        <source>Select one or more local files to upload.</source>
        <translation>Jelöljön ki egy vagy több feltöltendő helyi fájlt.</translation>
    </message>
    <message>
        <source>These files already exist on the remote and will be overwritten:
%1

Continue?</source>
        <translation>Ezek a fájlok már léteznek a távoli gépen, és felül lesznek írva:
%1

Folytatja?</translation>
    </message>
    <message>
        <source>Uploading %1 of %2: %3</source>
        <translation>Feltöltés: %1 / %2: %3</translation>
    </message>
    <message>
        <source>All uploads complete.</source>
        <translation>Minden feltöltés befejeződött.</translation>
    </message>
    <message>
        <source>Error: %1</source>
        <translation>Hiba: %1</translation>
    </message>
    <message>
        <source>Refused an unsafe name in the folder: %1</source>
        <translation>Nem biztonságos név elutasítva a mappában: %1</translation>
    </message>
    <message>
        <source>Listing folder %1...</source>
        <translation>A(z) %1 mappa listázása...</translation>
    </message>
    <message>
        <source>Folder too large: %1</source>
        <translation>A mappa túl nagy: %1</translation>
    </message>
    <message>
        <source>Cannot write to local file: %1</source>
        <translation>A helyi fájl nem írható: %1</translation>
    </message>
    <message>
        <source>Refused an unsafe name in the listing: %1</source>
        <translation>Elutasított nem biztonságos név a listában: %1</translation>
    </message>
    <message>
        <source>Drives</source>
        <translation>Meghajtók</translation>
    </message>
    <message>
        <source>File system (/)</source>
        <translation>Fájlrendszer (/)</translation>
    </message>
    <message>
        <source>&lt;b&gt;Local: &lt;/b&gt;%1</source>
        <translation>&lt;b&gt;Helyi: &lt;/b&gt;%1</translation>
    </message>
</context>
<context>
    <name>nimbral::FileTransferService</name>
    <message>
        <source>Transfer cancelled</source>
        <translation>Átvitel megszakítva</translation>
    </message>
    <message>
        <source>Transfer corrupted, checksum mismatch: %1</source>
        <translation>Sérült átvitel, az ellenőrzőösszeg eltér: %1</translation>
    </message>
    <message>
        <source>Cannot open local file: %1</source>
        <translation>A helyi fájl nem nyitható meg: %1</translation>
    </message>
    <message>
        <source>File too large to transfer: %1 (%2 bytes, at most %3)</source>
        <translation>A fájl túl nagy az átvitelhez: %1 (%2 bájt, legfeljebb %3)</translation>
    </message>
    <message>
        <source>Remote file download failed</source>
        <translation>A távoli fájl letöltése sikertelen</translation>
    </message>
    <message>
        <source>Cannot write to local file: %1</source>
        <translation>A helyi fájl nem írható: %1</translation>
    </message>
    <message>
        <source>Refused an unsafe name in the folder: %1</source>
        <translation>Nem biztonságos név elutasítva a mappában: %1</translation>
    </message>
</context>
<context>
    <name>nimbral::MainWindow</name>
    <message>
        <source>Nimbral - Remote Access</source>
        <translation>Nimbral - Távoli elérés</translation>
    </message>
    <message>
        <source>Server unavailable — retrying...</source>
        <translation>A kiszolgáló nem érhető el — újrapróbálkozás...</translation>
    </message>
    <message>
        <source>Admin Panel</source>
        <translation>Adminisztrációs felület</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Beállítások</translation>
    </message>
    <message>
        <source>YOUR ID</source>
        <translation>AZ ÖN AZONOSÍTÓJA</translation>
    </message>
    <message>
        <source>Connecting...</source>
        <translation>Csatlakozás...</translation>
    </message>
    <message>
        <source>Copy ID</source>
        <translation>Azonosító másolása</translation>
    </message>
    <message>
        <source>PASSWORD</source>
        <translation>JELSZÓ</translation>
    </message>
    <message>
        <source>Copy Password</source>
        <translation>Jelszó másolása</translation>
    </message>
    <message>
        <source>Change Password</source>
        <translation>Jelszó módosítása</translation>
    </message>
    <message>
        <source>CONNECT TO PARTNER</source>
        <translation>CSATLAKOZÁS PARTNERHEZ</translation>
    </message>
    <message>
        <source>Partner ID  (XXX XXX XXX)</source>
        <translation>Partnerazonosító  (XXX XXX XXX)</translation>
    </message>
    <message>
        <source>Add to favorites</source>
        <translation>Hozzáadás a kedvencekhez</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Jelszó</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Csatlakozás</translation>
    </message>
    <message>
        <source>Wake-on-LAN</source>
        <translation>Wake-on-LAN</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Bontás</translation>
    </message>
    <message>
        <source>PAIRING CODE</source>
        <translation>PÁROSÍTÓKÓD</translation>
    </message>
    <message>
        <source>Copy Pairing Code</source>
        <translation>Párosítókód másolása</translation>
    </message>
    <message>
        <source>Add this device at</source>
        <translation>Adja hozzá ezt az eszközt itt:</translation>
    </message>
    <message>
        <source>Info  (Ctrl+Shift+I)</source>
        <translation>Információ  (Ctrl+Shift+I)</translation>
    </message>
    <message>
        <source>Files  (Ctrl+Shift+F)</source>
        <translation>Fájlok  (Ctrl+Shift+F)</translation>
    </message>
    <message>
        <source>Chat  (Ctrl+Shift+C)</source>
        <translation>Csevegés  (Ctrl+Shift+C)</translation>
    </message>
    <message>
        <source>Scale Mode  (Ctrl+Shift+Q)</source>
        <translation>Méretezés  (Ctrl+Shift+Q)</translation>
    </message>
    <message>
        <source>Fit to Window</source>
        <translation>Ablakhoz igazítás</translation>
    </message>
    <message>
        <source>Stretch to Fill</source>
        <translation>Kitöltés nyújtással</translation>
    </message>
    <message>
        <source>Original Size</source>
        <translation>Eredeti méret</translation>
    </message>
    <message>
        <source>Switch Monitor</source>
        <translation>Monitorváltás</translation>
    </message>
    <message>
        <source>Monitor %1</source>
        <translation>%1. monitor</translation>
    </message>
    <message>
        <source>Fullscreen  (F11)</source>
        <translation>Teljes képernyő  (F11)</translation>
    </message>
    <message>
        <source>Connection: Good</source>
        <translation>Kapcsolat: jó</translation>
    </message>
    <message>
        <source>Disconnect  (Ctrl+Shift+D)</source>
        <translation>Bontás  (Ctrl+Shift+D)</translation>
    </message>
    <message>
        <source>This display cannot show the remote screen (no OpenGL).</source>
        <translation>Ez a kijelző nem tudja megjeleníteni a távoli képernyőt (nincs OpenGL).</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Hiba</translation>
    </message>
    <message>
        <source>Please enter a partner Client ID.</source>
        <translation>Kérjük, adja meg a partner kliensazonosítóját.</translation>
    </message>
    <message>
        <source>Partner ID must be exactly 9 digits.</source>
        <translation>A partnerazonosítónak pontosan 9 számjegyből kell állnia.</translation>
    </message>
    <message>
        <source>Please enter the partner's password.</source>
        <translation>Kérjük, adja meg a partner jelszavát.</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>Kész</translation>
    </message>
    <message>
        <source>Ready. Your ID: %1</source>
        <translation>Kész. Az Ön azonosítója: %1</translation>
    </message>
    <message>
        <source>Not connected</source>
        <translation>Nincs kapcsolat</translation>
    </message>
    <message>
        <source>Disconnected</source>
        <translation>Kapcsolat bontva</translation>
    </message>
    <message>
        <source>Online (Ready)</source>
        <translation>Online (kész)</translation>
    </message>
    <message>
        <source>Reconnecting...</source>
        <translation>Újracsatlakozás...</translation>
    </message>
    <message>
        <source>Client %1 wants to connect.
Purpose: %2

Accept?</source>
        <translation>A(z) %1 kliens csatlakozni szeretne.
Cél: %2

Elfogadja?</translation>
    </message>
    <message>
        <source>remote access</source>
        <translation>távoli elérés</translation>
    </message>
    <message>
        <source>Incoming Connection</source>
        <translation>Bejövő kapcsolat</translation>
    </message>
    <message>
        <source>Incoming connection from </source>
        <translation>Bejövő kapcsolat innen: </translation>
    </message>
    <message>
        <source>Initiating session...</source>
        <translation>Munkamenet indítása...</translation>
    </message>
    <message>
        <source>Exchanging keys...</source>
        <translation>Kulcscsere...</translation>
    </message>
    <message>
        <source>Establishing transport...</source>
        <translation>Átviteli kapcsolat kiépítése...</translation>
    </message>
    <message>
        <source>Connected</source>
        <translation>Csatlakozva</translation>
    </message>
    <message>
        <source>Nimbral - Connected to %1</source>
        <translation>Nimbral - Csatlakozva ehhez: %1</translation>
    </message>
    <message>
        <source>Remote session active — sharing your screen.</source>
        <translation>Távoli munkamenet aktív — a képernyője meg van osztva.</translation>
    </message>
    <message>
        <source>Disconnecting...</source>
        <translation>Bontás...</translation>
    </message>
    <message>
        <source>Session failed</source>
        <translation>A munkamenet sikertelen</translation>
    </message>
    <message>
        <source>Session failed.</source>
        <translation>A munkamenet sikertelen.</translation>
    </message>
    <message>
        <source>Session Error</source>
        <translation>Munkamenethiba</translation>
    </message>
    <message>
        <source>Application minimized to system tray.</source>
        <translation>Az alkalmazás a tálcára került.</translation>
    </message>
    <message>
        <source>Change Session Password</source>
        <translation>Munkamenet-jelszó módosítása</translation>
    </message>
    <message>
        <source>New password (min 8 chars, uppercase + lowercase + digit):</source>
        <translation>Új jelszó (min. 8 karakter, kis- és nagybetű, számjegy):</translation>
    </message>
    <message>
        <source>Invalid Password</source>
        <translation>Érvénytelen jelszó</translation>
    </message>
    <message>
        <source>Wake-on-LAN packet sent to %1</source>
        <translation>Wake-on-LAN csomag elküldve ide: %1</translation>
    </message>
    <message>
        <source>Chat</source>
        <translation>Csevegés</translation>
    </message>
    <message>
        <source>Remote</source>
        <translation>Partner</translation>
    </message>
    <message>
        <source>Chat (!)</source>
        <translation>Csevegés (!)</translation>
    </message>
    <message>
        <source>Good</source>
        <translation>Jó</translation>
    </message>
    <message>
        <source>Fair</source>
        <translation>Közepes</translation>
    </message>
    <message>
        <source>Poor</source>
        <translation>Gyenge</translation>
    </message>
    <message>
        <source>%1 (%2 FPS, %3ms)</source>
        <translation>%1 (%2 FPS, %3 ms)</translation>
    </message>
    <message>
        <source>Downloading... %1%</source>
        <translation>Letöltés... %1%</translation>
    </message>
    <message>
        <source>Update Now</source>
        <translation>Frissítés most</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>Frissítés</translation>
    </message>
    <message>
        <source>Update available: v%1</source>
        <translation>Frissítés érhető el: v%1</translation>
    </message>
    <message>
        <source>Downloading...</source>
        <translation>Letöltés...</translation>
    </message>
    <message>
        <source>Could not start the installer.</source>
        <translation>A telepítő nem indítható el.</translation>
    </message>
    <message>
        <source>The connection to the server is not encrypted</source>
        <translation>A kapcsolat a szerverrel nincs titkosítva</translation>
    </message>
    <message>
        <source>Client %1 wants to connect with your pairing code.

Security code: %2
Ask your partner to read out the code on their screen: accept only if it is the same.

Partner's device key: %3

Accept?</source>
        <translation>A(z) %1 kliens az Ön párosítókódjával szeretne csatlakozni.

Biztonsági kód: %2
Kérje meg partnerét, hogy olvassa fel a képernyőjén látható kódot: csak akkor fogadja el, ha megegyezik.

A partner eszközkulcsa: %3

Elfogadja?</translation>
    </message>
    <message>
        <source>Device Key Changed</source>
        <translation>Az eszközkulcs megváltozott</translation>
    </message>
    <message>
        <source>Trust the new key and connect?</source>
        <translation>Megbízik az új kulcsban és csatlakozik?</translation>
    </message>
    <message>
        <source>security code %1</source>
        <translation>biztonsági kód: %1</translation>
    </message>
    <message>
        <source>Not verified</source>
        <translation>Nincs ellenőrizve</translation>
    </message>
    <message>
        <source>Nimbral - Connected to %1 (%2)</source>
        <translation>Nimbral - Kapcsolódva: %1 (%2)</translation>
    </message>
    <message>
        <source>Device key: %1</source>
        <translation>Eszközkulcs: %1</translation>
    </message>
    <message>
        <source>The Wake-on-LAN packet to %1 could not be sent.</source>
        <translation>A Wake-on-LAN csomagot nem sikerült elküldeni ide: %1.</translation>
    </message>
    <message>
        <source>%1 (idle, %2ms)</source>
        <translation>%1 (tétlen, %2 ms)</translation>
    </message>
    <message>
        <source>Sharing this screen with %1 since %2</source>
        <translation>Ez a képernyő %2 óta meg van osztva vele: %1</translation>
    </message>
    <message>
        <source>Show password</source>
        <translation>Jelszó megjelenítése</translation>
    </message>
    <message>
        <source>FAVORITES</source>
        <translation>KEDVENCEK</translation>
    </message>
    <message>
        <source>Copied</source>
        <translation>Másolva</translation>
    </message>
    <message>
        <source>Wake-on-LAN starts the partner's computer through its network card. Enter that card's MAC address: six pairs of hexadecimal digits, such as 00:1A:2B:3C:4D:5E. On the partner's computer, "ip link" (Linux) or "getmac" (Windows) shows it.</source>
        <translation>A Wake-on-LAN a hálózati kártyáján keresztül indítja el a partner számítógépét. Adja meg a kártya MAC-címét: hat hexadecimális számjegypár, például 00:1A:2B:3C:4D:5E. A partner gépén az "ip link" (Linux) vagy a "getmac" (Windows) mutatja meg.</translation>
    </message>
    <message>
        <source>"%1" is not a MAC address: it has six pairs of hexadecimal digits, such as 00:1A:2B:3C:4D:5E.</source>
        <translation>A(z) "%1" nem MAC-cím: hat hexadecimális számjegypárból áll, például 00:1A:2B:3C:4D:5E.</translation>
    </message>
    <message>
        <source>Hide password</source>
        <translation>Jelszó elrejtése</translation>
    </message>
    <message>
        <source>Reconnect</source>
        <translation>Újracsatlakozás</translation>
    </message>
    <message>
        <source>Connection to partner %1 lost: reconnecting (attempt %2 of %3)...</source>
        <translation>A kapcsolat megszakadt a(z) %1 partnerrel: újracsatlakozás (%2. kísérlet a %3-ből)...</translation>
    </message>
    <message>
        <source>Session Ended</source>
        <translation>A munkamenet véget ért</translation>
    </message>
    <message>
        <source>Partner %1 ended the session.</source>
        <translation>A(z) %1 partner befejezte a munkamenetet.</translation>
    </message>
    <message>
        <source>Connection Lost</source>
        <translation>A kapcsolat megszakadt</translation>
    </message>
    <message>
        <source>The connection to partner %1 was lost.</source>
        <translation>A kapcsolat megszakadt a(z) %1 partnerrel.</translation>
    </message>
    <message>
        <source>The connection to partner %1 was lost, and %2 attempts to reconnect failed.</source>
        <translation>A kapcsolat megszakadt a(z) %1 partnerrel, és %2 újracsatlakozási kísérlet sikertelen volt.</translation>
    </message>
    <message>
        <source>Another session is under way.</source>
        <translation>Egy másik munkamenet már folyamatban van.</translation>
    </message>
    <message>
        <source>Monitor %1: %2 (%3 × %4)</source>
        <translation>%1. monitor: %2 (%3 × %4)</translation>
    </message>
    <message>
        <source>Monitor %1 is not available on the partner's computer.</source>
        <translation>A(z) %1. monitor nem érhető el a partner számítógépén.</translation>
    </message>
    <message>
        <source>The partner's screen cannot be shown: their desktop offers no way to share it.</source>
        <translation>A partner képernyője nem jeleníthető meg: az asztala nem teszi lehetővé a megosztását.</translation>
    </message>
    <message>
        <source>Scale: %1</source>
        <translation>Méretezés: %1</translation>
    </message>
</context>
<context>
    <name>nimbral::SessionManager</name>
    <message>
        <source>Crypto error: %1</source>
        <translation>Titkosítási hiba: %1</translation>
    </message>
    <message>
        <source>ECDH key derivation failed</source>
        <translation>Az ECDH-kulcs származtatása sikertelen</translation>
    </message>
    <message>
        <source>Cipher error: %1</source>
        <translation>Rejtjelezési hiba: %1</translation>
    </message>
    <message>
        <source>Cannot initiate session: not idle</source>
        <translation>A munkamenet nem indítható: már folyamatban van egy</translation>
    </message>
    <message>
        <source>Server returned invalid session data</source>
        <translation>A kiszolgáló érvénytelen munkamenet-adatokat küldött</translation>
    </message>
    <message>
        <source>Missing target ECDH public key</source>
        <translation>Hiányzik a cél nyilvános ECDH-kulcsa</translation>
    </message>
    <message>
        <source>Cannot accept session: not idle</source>
        <translation>A munkamenet nem fogadható el: már folyamatban van egy</translation>
    </message>
    <message>
        <source>Transport failed: %1</source>
        <translation>Az átvitel sikertelen: %1</translation>
    </message>
    <message>
        <source>Partner did not respond</source>
        <translation>A partner nem válaszolt</translation>
    </message>
    <message>
        <source>Failed to start screen capture.</source>
        <translation>A képernyő rögzítése nem indítható el.</translation>
    </message>
    <message>
        <source>Too many wrong passwords for partner %1: wait a few minutes, then try again</source>
        <translation>Túl sok hibás jelszó a(z) %1 partnerhez: várjon néhány percet, majd próbálja újra</translation>
    </message>
    <message>
        <source>Partner %1 declined the session</source>
        <translation>A(z) %1 partner elutasította a munkamenetet</translation>
    </message>
    <message>
        <source>Wrong password for partner %1: check it, or ask them for the current one</source>
        <translation>Hibás jelszó a(z) %1 partnerhez: ellenőrizze, vagy kérje el az aktuálisat</translation>
    </message>
    <message>
        <source>Partner %1 is unknown: check the ID</source>
        <translation>A(z) %1 partner ismeretlen: ellenőrizze az azonosítót</translation>
    </message>
    <message>
        <source>Partner %1 is offline: ask them to open Nimbral</source>
        <translation>A(z) %1 partner offline: kérje meg, hogy nyissa meg a Nimbralt</translation>
    </message>
    <message>
        <source>%1 is this device's own ID: enter the partner's ID</source>
        <translation>A(z) %1 ennek az eszköznek az azonosítója: adja meg a partner azonosítóját</translation>
    </message>
    <message>
        <source>Partner %1 could not be reached: try again in a moment</source>
        <translation>A(z) %1 partner nem érhető el: próbálja újra egy perc múlva</translation>
    </message>
    <message>
        <source>Partner %1 is busy with other connection requests: try again in a moment</source>
        <translation>A(z) %1 partner más kapcsolódási kérésekkel foglalkozik: próbálja újra egy kis idő múlva</translation>
    </message>
    <message>
        <source>Partner %1 accepts only verified sessions</source>
        <translation>A(z) %1 partner csak ellenőrzött munkameneteket fogad el</translation>
    </message>
    <message>
        <source>Partner %1 could not check this device's key</source>
        <translation>A(z) %1 partner nem tudta ellenőrizni ennek az eszköznek a kulcsát</translation>
    </message>
    <message>
        <source>Partner %1 ended the session before it started</source>
        <translation>A(z) %1 partner a kezdete előtt befejezte a munkamenetet</translation>
    </message>
    <message>
        <source>The password exchange could not be started</source>
        <translation>A jelszócserét nem sikerült elindítani</translation>
    </message>
    <message>
        <source>Partner %1 cannot open a verified session, and this device accepts only verified sessions</source>
        <translation>A(z) %1 partner nem tud ellenőrzött munkamenetet nyitni, ez az eszköz pedig csak ellenőrzött munkameneteket fogad el</translation>
    </message>
    <message>
        <source>Partner %1 verified its sessions before and now offers only an unverified one. Not connected: someone may be posing as it.</source>
        <translation>A(z) %1 partner korábban ellenőrizte a munkameneteit, most pedig csak ellenőrizetlent kínál. Nincs kapcsolat: lehet, hogy valaki a partnernek adja ki magát.</translation>
    </message>
    <message>
        <source>Partner %1 did not prove its device key. Not connected.</source>
        <translation>A(z) %1 partner nem igazolta az eszközkulcsát. Nincs kapcsolat.</translation>
    </message>
    <message>
        <source>The device key of partner %1 has changed.

Before: %2
Now: %3

If the partner's device was set up again, you can trust the new key; otherwise someone may be posing as it. Not connected.</source>
        <translation>A(z) %1 partner eszközkulcsa megváltozott.

Korábban: %2
Most: %3

Ha a partner eszközét újra beállították, megbízhat az új kulcsban; különben lehet, hogy valaki a partnernek adja ki magát. Nincs kapcsolat.</translation>
    </message>
</context>
<context>
    <name>nimbral::SessionNotice</name>
    <message>
        <source>Partner %1 sees and controls this screen</source>
        <translation>A(z) %1 partner látja és vezérli ezt a képernyőt</translation>
    </message>
    <message>
        <source>End session</source>
        <translation>Munkamenet befejezése</translation>
    </message>
    <message>
        <source>Looking at files in %1</source>
        <translation>Fájlokat néz itt: %1</translation>
    </message>
    <message>
        <source>Copying %1 from this computer</source>
        <translation>Másolja: %1, erről a számítógépről</translation>
    </message>
    <message>
        <source>Copying %1 to this computer</source>
        <translation>Másolja: %1, erre a számítógépre</translation>
    </message>
</context>
<context>
    <name>nimbral::SettingsDialog</name>
    <message>
        <source>Monitor %1: %2 (%3x%4%5)</source>
        <translation>%1. monitor: %2 (%3x%4%5)</translation>
    </message>
    <message>
        <source>, Primary</source>
        <translation>, elsődleges</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Beállítások</translation>
    </message>
    <message>
        <source>Display</source>
        <translation>Megjelenítés</translation>
    </message>
    <message>
        <source>Network</source>
        <translation>Hálózat</translation>
    </message>
    <message>
        <source>Advanced</source>
        <translation>Speciális</translation>
    </message>
    <message>
        <source>System default</source>
        <translation>Rendszer alapértelmezése</translation>
    </message>
    <message>
        <source>Application language. Requires restart to take effect.</source>
        <translation>Az alkalmazás nyelve. Újraindítás után lép életbe.</translation>
    </message>
    <message>
        <source>Language:</source>
        <translation>Nyelv:</translation>
    </message>
    <message>
        <source>Optimize Quality</source>
        <translation>Minőség előnyben</translation>
    </message>
    <message>
        <source>Optimize Speed</source>
        <translation>Sebesség előnyben</translation>
    </message>
    <message>
        <source>Quality: 24 fps, sharp image, higher bandwidth.
Speed: 10 fps, lower bandwidth and CPU usage.</source>
        <translation>Minőség: 24 fps, éles kép, nagyobb sávszélesség.
Sebesség: 10 fps, kisebb sávszélesség és CPU-terhelés.</translation>
    </message>
    <message>
        <source>Display mode:</source>
        <translation>Megjelenítési mód:</translation>
    </message>
    <message>
        <source>Select which monitor to share when someone connects to this device.</source>
        <translation>Válassza ki, melyik monitor legyen megosztva, ha valaki csatlakozik ehhez az eszközhöz.</translation>
    </message>
    <message>
        <source>Capture monitor:</source>
        <translation>Rögzített monitor:</translation>
    </message>
    <message>
        <source>Enable clipboard sharing</source>
        <translation>Vágólap megosztása</translation>
    </message>
    <message>
        <source>Synchronise clipboard content between the local and remote machines.</source>
        <translation>A vágólap tartalmának szinkronizálása a helyi és a távoli gép között.</translation>
    </message>
    <message>
        <source>Auto-reconnect on disconnect</source>
        <translation>Automatikus újracsatlakozás bontás után</translation>
    </message>
    <message>
        <source>Automatically attempt to re-establish the connection after an unexpected disconnect.</source>
        <translation>Váratlan bontás után automatikusan megpróbálja helyreállítani a kapcsolatot.</translation>
    </message>
    <message>
        <source>Maximum number of consecutive reconnection attempts before giving up.</source>
        <translation>Az egymást követő újracsatlakozási kísérletek legnagyobb száma a feladás előtt.</translation>
    </message>
    <message>
        <source>Max reconnect attempts:</source>
        <translation>Újracsatlakozási kísérletek max.:</translation>
    </message>
    <message>
        <source>Start when I log in</source>
        <translation>Indítás bejelentkezéskor</translation>
    </message>
    <message>
        <source>Automatically start Nimbral when you log in to your desktop session.</source>
        <translation>A Nimbral automatikus indítása, amikor bejelentkezik az asztali munkamenetbe.</translation>
    </message>
    <message>
        <source>Run as system service (unattended)</source>
        <translation>Futtatás rendszerszolgáltatásként (felügyelet nélkül)</translation>
    </message>
    <message>
        <source>Install NimbralService as a systemd service that runs at boot,
even when no user is logged in. Requires administrator privileges.</source>
        <translation>A NimbralService telepítése systemd-szolgáltatásként, amely rendszerindításkor elindul,
akkor is, ha senki sincs bejelentkezve. Rendszergazdai jogosultság szükséges.</translation>
    </message>
    <message>
        <source>Minimize to tray on close</source>
        <translation>Bezáráskor kicsinyítés a tálcára</translation>
    </message>
    <message>
        <source>Keep the application running in the system tray when the window is closed.</source>
        <translation>Az ablak bezárása után az alkalmazás tovább fut a tálcán.</translation>
    </message>
    <message>
        <source>Language Changed</source>
        <translation>Nyelv módosítva</translation>
    </message>
    <message>
        <source>Accept only verified sessions</source>
        <translation>Csak ellenőrzött munkamenetek elfogadása</translation>
    </message>
    <message>
        <source>Refuse partners that cannot prove the password to this device themselves (older versions). The password and the pairing code then never leave this device.</source>
        <translation>Azon partnerek elutasítása, amelyek maguk nem tudják igazolni a jelszót ennek az eszköznek (régebbi verziók). A jelszó és a párosítókód ekkor soha nem hagyja el ezt az eszközt.</translation>
    </message>
    <message>
        <source>Restart now</source>
        <translation>Újraindítás most</translation>
    </message>
    <message>
        <source>Later</source>
        <translation>Később</translation>
    </message>
    <message>
        <source>The new language takes effect when Nimbral starts again.</source>
        <translation>Az új nyelv a Nimbral következő indításakor lép életbe.</translation>
    </message>
</context>
<context>
    <name>nimbral::SystemTrayIcon</name>
    <message>
        <source>Show</source>
        <translation>Megjelenítés</translation>
    </message>
    <message>
        <source>Status: Disconnected</source>
        <translation>Állapot: Kapcsolat bontva</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Bontás</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Kilépés</translation>
    </message>
    <message>
        <source>Nimbral - Remote Access</source>
        <translation>Nimbral - Távoli elérés</translation>
    </message>
    <message>
        <source>Incoming Connection</source>
        <translation>Bejövő kapcsolat</translation>
    </message>
    <message>
        <source>Client %1 is requesting a remote connection.</source>
        <translation>A(z) %1 kliens távoli kapcsolatot kér.</translation>
    </message>
</context>
<context>
    <name>nimbral::UpdateService</name>
    <message>
        <source>The update address is not secure — update aborted.</source>
        <translation>A frissítés címe nem biztonságos — a frissítés megszakítva.</translation>
    </message>
    <message>
        <source>Downloaded file is too small — update aborted.</source>
        <translation>A letöltött fájl túl kicsi — a frissítés megszakítva.</translation>
    </message>
    <message>
        <source>Downloaded file does not match its checksum — update aborted.</source>
        <translation>A letöltött fájl nem egyezik az ellenőrzőösszegével — a frissítés megszakítva.</translation>
    </message>
    <message>
        <source>Cannot write to temp directory.</source>
        <translation>Nem lehet írni az ideiglenes mappába.</translation>
    </message>
    <message>
        <source>Failed to extract installer from zip.</source>
        <translation>A telepítőt nem sikerült kicsomagolni a zip-archívumból.</translation>
    </message>
    <message>
        <source>The update is not from a verified release — update aborted.</source>
        <translation>A frissítés nem ellenőrzött kiadásból származik — frissítés megszakítva.</translation>
    </message>
</context>
</TS>
