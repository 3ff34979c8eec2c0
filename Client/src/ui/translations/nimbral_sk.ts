<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="sk" sourcelanguage="en">
<context>
    <name>nimbral::AuthController</name>
    <message>
        <source>Password must be at least 8 characters.</source>
        <translation>Heslo musí mať aspoň 8 znakov.</translation>
    </message>
    <message>
        <source>Password must be at most 256 characters.</source>
        <translation>Heslo môže mať najviac 256 znakov.</translation>
    </message>
    <message>
        <source>Password must contain at least one lowercase letter.</source>
        <translation>Heslo musí obsahovať aspoň jedno malé písmeno.</translation>
    </message>
    <message>
        <source>Password must contain at least one uppercase letter.</source>
        <translation>Heslo musí obsahovať aspoň jedno veľké písmeno.</translation>
    </message>
    <message>
        <source>Password must contain at least one digit.</source>
        <translation>Heslo musí obsahovať aspoň jednu číslicu.</translation>
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
        <translation>Napíšte správu…</translation>
    </message>
    <message>
        <source>Send</source>
        <translation>Odoslať</translation>
    </message>
    <message>
        <source>Me</source>
        <translation>Ja</translation>
    </message>
</context>
<context>
    <name>nimbral::ConnectionDialog</name>
    <message>
        <source>Nimbral - Connect</source>
        <translation>Nimbral - Pripojiť</translation>
    </message>
    <message>
        <source>Server:</source>
        <translation>Server:</translation>
    </message>
    <message>
        <source>Username</source>
        <translation>Používateľské meno</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Heslo</translation>
    </message>
    <message>
        <source>Login</source>
        <translation>Prihlásiť</translation>
    </message>
    <message>
        <source>Username:</source>
        <translation>Používateľské meno:</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>Heslo:</translation>
    </message>
    <message>
        <source>Password (min 8 chars)</source>
        <translation>Heslo (min. 8 znakov)</translation>
    </message>
    <message>
        <source>My PC</source>
        <translation>Môj počítač</translation>
    </message>
    <message>
        <source>Register</source>
        <translation>Registrovať</translation>
    </message>
    <message>
        <source>Client Name:</source>
        <translation>Názov klienta:</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Chyba</translation>
    </message>
    <message>
        <source>Please fill in all fields.</source>
        <translation>Vyplňte, prosím, všetky polia.</translation>
    </message>
    <message>
        <source>Please fill in username and password.</source>
        <translation>Vyplňte, prosím, používateľské meno a heslo.</translation>
    </message>
    <message>
        <source>Password must be at least 8 characters.</source>
        <translation>Heslo musí mať aspoň 8 znakov.</translation>
    </message>
</context>
<context>
    <name>nimbral::ConnectionInfoDialog</name>
    <message>
        <source>Connection Information</source>
        <translation>Informácie o pripojení</translation>
    </message>
    <message>
        <source>Session</source>
        <translation>Relácia</translation>
    </message>
    <message>
        <source>Session ID:</source>
        <translation>ID relácie:</translation>
    </message>
    <message>
        <source>Remote ID:</source>
        <translation>Vzdialené ID:</translation>
    </message>
    <message>
        <source>Role:</source>
        <translation>Rola:</translation>
    </message>
    <message>
        <source>Master (Viewer)</source>
        <translation>Master (prehliadajúci)</translation>
    </message>
    <message>
        <source>Target (Sharing)</source>
        <translation>Cieľ (zdieľajúci)</translation>
    </message>
    <message>
        <source>Transport:</source>
        <translation>Prenos:</translation>
    </message>
    <message>
        <source>Connection Quality</source>
        <translation>Kvalita pripojenia</translation>
    </message>
    <message>
        <source>FPS:</source>
        <translation>FPS:</translation>
    </message>
    <message>
        <source>Latency:</source>
        <translation>Odozva:</translation>
    </message>
    <message>
        <source>Bandwidth:</source>
        <translation>Prenosová rýchlosť:</translation>
    </message>
    <message>
        <source>Sent:</source>
        <translation>Odoslané:</translation>
    </message>
    <message>
        <source>Received:</source>
        <translation>Prijaté:</translation>
    </message>
    <message>
        <source>Dropped Frames:</source>
        <translation>Zahodené snímky:</translation>
    </message>
    <message>
        <source>Uptime:</source>
        <translation>Čas pripojenia:</translation>
    </message>
    <message>
        <source>Verification</source>
        <translation>Overenie</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Stav:</translation>
    </message>
    <message>
        <source>Verified</source>
        <translation>Overené</translation>
    </message>
    <message>
        <source>Not verified</source>
        <translation>Neoverené</translation>
    </message>
    <message>
        <source>Security code:</source>
        <translation>Bezpečnostný kód:</translation>
    </message>
    <message>
        <source>Partner's device key:</source>
        <translation>Kľúč zariadenia partnera:</translation>
    </message>
    <message>
        <source>This device's key:</source>
        <translation>Kľúč tohto zariadenia:</translation>
    </message>
</context>
<context>
    <name>nimbral::FileManagerDialog</name>
    <message>
        <source>%v of %m files</source>
        <translation>%v z %m súborov</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Zrušiť</translation>
    </message>
    <message>
        <source>%1/s, %2 left</source>
        <translation>%1/s, zostáva %2</translation>
    </message>
    <message>
        <source>Transfer cancelled</source>
        <translation>Prenos zrušený</translation>
    </message>
    <message>
        <source>File Manager</source>
        <translation>Správca súborov</translation>
    </message>
    <message>
        <source>&lt;b&gt;Remote Computer&lt;/b&gt;</source>
        <translation>&lt;b&gt;Vzdialený počítač&lt;/b&gt;</translation>
    </message>
    <message>
        <source>Go up one directory</source>
        <translation>O úroveň vyššie</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Názov</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Veľkosť</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Typ</translation>
    </message>
    <message>
        <source>Download selected remote file to local</source>
        <translation>Stiahnuť vybraný vzdialený súbor do tohto počítača</translation>
    </message>
    <message>
        <source>Upload selected local file to remote</source>
        <translation>Nahrať vybraný miestny súbor do vzdialeného počítača</translation>
    </message>
    <message>
        <source>&lt;b&gt;Local Computer&lt;/b&gt;</source>
        <translation>&lt;b&gt;Miestny počítač&lt;/b&gt;</translation>
    </message>
    <message>
        <source>&lt;b&gt;Remote: &lt;/b&gt;%1</source>
        <translation>&lt;b&gt;Vzdialené: &lt;/b&gt;%1</translation>
    </message>
    <message>
        <source>Loading remote directory...</source>
        <translation>Načítava sa vzdialený priečinok...</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Priečinok</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Súbor</translation>
    </message>
    <message>
        <source>%1 items</source>
        <translation>Položiek: %1</translation>
    </message>
    <message>
        <source>Select one or more remote files to download.</source>
        <translation>Vyberte jeden alebo viac vzdialených súborov na stiahnutie.</translation>
    </message>
    <message>
        <source>No files selected (folders are skipped).</source>
        <translation>Nie sú vybrané žiadne súbory (priečinky sa preskakujú).</translation>
    </message>
    <message>
        <source>Overwrite?</source>
        <translation>Prepísať?</translation>
    </message>
    <message>
        <source>These files already exist locally and will be overwritten:
%1

Continue?</source>
        <translation>Tieto súbory už miestne existujú a budú prepísané:
%1

Pokračovať?</translation>
    </message>
    <message>
        <source>Downloading %1 of %2: %3</source>
        <translation>Sťahuje sa %1 z %2: %3</translation>
    </message>
    <message>
        <source>Downloaded: %1 — %2 remaining</source>
        <translation>Stiahnuté: %1 — zostáva %2</translation>
    </message>
    <message>
        <source>All downloads complete.</source>
        <translation>Všetky sťahovania sú dokončené.</translation>
    </message>
    <message>
        <source>Select one or more local files to upload.</source>
        <translation>Vyberte jeden alebo viac miestnych súborov na nahratie.</translation>
    </message>
    <message>
        <source>These files already exist on the remote and will be overwritten:
%1

Continue?</source>
        <translation>Tieto súbory už na vzdialenom počítači existujú a budú prepísané:
%1

Pokračovať?</translation>
    </message>
    <message>
        <source>Uploading %1 of %2: %3</source>
        <translation>Nahráva sa %1 z %2: %3</translation>
    </message>
    <message>
        <source>All uploads complete.</source>
        <translation>Všetky nahrávania sú dokončené.</translation>
    </message>
    <message>
        <source>Error: %1</source>
        <translation>Chyba: %1</translation>
    </message>
    <message>
        <source>Refused an unsafe name in the folder: %1</source>
        <translation>Odmietnutý nebezpečný názov v priečinku: %1</translation>
    </message>
    <message>
        <source>Listing folder %1...</source>
        <translation>Načítava sa priečinok %1...</translation>
    </message>
    <message>
        <source>Folder too large: %1</source>
        <translation>Priečinok je príliš veľký: %1</translation>
    </message>
    <message>
        <source>Cannot write to local file: %1</source>
        <translation>Do miestneho súboru nemožno zapisovať: %1</translation>
    </message>
    <message>
        <source>Refused an unsafe name in the listing: %1</source>
        <translation>Odmietnutý nebezpečný názov vo výpise: %1</translation>
    </message>
    <message>
        <source>Drives</source>
        <translation>Jednotky</translation>
    </message>
    <message>
        <source>File system (/)</source>
        <translation>Systém súborov (/)</translation>
    </message>
    <message>
        <source>&lt;b&gt;Local: &lt;/b&gt;%1</source>
        <translation>&lt;b&gt;Miestne: &lt;/b&gt;%1</translation>
    </message>
</context>
<context>
    <name>nimbral::FileTransferService</name>
    <message>
        <source>Transfer cancelled</source>
        <translation>Prenos zrušený</translation>
    </message>
    <message>
        <source>Transfer corrupted, checksum mismatch: %1</source>
        <translation>Prenos poškodený, kontrolný súčet nesúhlasí: %1</translation>
    </message>
    <message>
        <source>Cannot open local file: %1</source>
        <translation>Miestny súbor nemožno otvoriť: %1</translation>
    </message>
    <message>
        <source>File too large to transfer: %1 (%2 bytes, at most %3)</source>
        <translation>Súbor je na prenos príliš veľký: %1 (%2 bajtov, najviac %3)</translation>
    </message>
    <message>
        <source>Remote file download failed</source>
        <translation>Stiahnutie vzdialeného súboru zlyhalo</translation>
    </message>
    <message>
        <source>Cannot write to local file: %1</source>
        <translation>Do miestneho súboru nemožno zapisovať: %1</translation>
    </message>
    <message>
        <source>Refused an unsafe name in the folder: %1</source>
        <translation>Odmietnutý nebezpečný názov v priečinku: %1</translation>
    </message>
</context>
<context>
    <name>nimbral::MainWindow</name>
    <message>
        <source>Nimbral - Remote Access</source>
        <translation>Nimbral - Vzdialený prístup</translation>
    </message>
    <message>
        <source>Server unavailable — retrying...</source>
        <translation>Server je nedostupný — nový pokus...</translation>
    </message>
    <message>
        <source>Admin Panel</source>
        <translation>Administračný panel</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Nastavenia</translation>
    </message>
    <message>
        <source>YOUR ID</source>
        <translation>VAŠE ID</translation>
    </message>
    <message>
        <source>Connecting...</source>
        <translation>Pripája sa...</translation>
    </message>
    <message>
        <source>Copy ID</source>
        <translation>Kopírovať ID</translation>
    </message>
    <message>
        <source>PASSWORD</source>
        <translation>HESLO</translation>
    </message>
    <message>
        <source>Copy Password</source>
        <translation>Kopírovať heslo</translation>
    </message>
    <message>
        <source>Change Password</source>
        <translation>Zmeniť heslo</translation>
    </message>
    <message>
        <source>CONNECT TO PARTNER</source>
        <translation>PRIPOJIŤ K PARTNEROVI</translation>
    </message>
    <message>
        <source>Partner ID  (XXX XXX XXX)</source>
        <translation>ID partnera  (XXX XXX XXX)</translation>
    </message>
    <message>
        <source>Add to favorites</source>
        <translation>Pridať medzi obľúbené</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Heslo</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Pripojiť</translation>
    </message>
    <message>
        <source>Wake-on-LAN</source>
        <translation>Wake-on-LAN</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Odpojiť</translation>
    </message>
    <message>
        <source>PAIRING CODE</source>
        <translation>PÁROVACÍ KÓD</translation>
    </message>
    <message>
        <source>Copy Pairing Code</source>
        <translation>Kopírovať párovací kód</translation>
    </message>
    <message>
        <source>Add this device at</source>
        <translation>Pridajte toto zariadenie na</translation>
    </message>
    <message>
        <source>Info  (Ctrl+Shift+I)</source>
        <translation>Informácie  (Ctrl+Shift+I)</translation>
    </message>
    <message>
        <source>Files  (Ctrl+Shift+F)</source>
        <translation>Súbory  (Ctrl+Shift+F)</translation>
    </message>
    <message>
        <source>Chat  (Ctrl+Shift+C)</source>
        <translation>Chat  (Ctrl+Shift+C)</translation>
    </message>
    <message>
        <source>Scale Mode  (Ctrl+Shift+Q)</source>
        <translation>Mierka  (Ctrl+Shift+Q)</translation>
    </message>
    <message>
        <source>Fit to Window</source>
        <translation>Prispôsobiť oknu</translation>
    </message>
    <message>
        <source>Stretch to Fill</source>
        <translation>Roztiahnuť</translation>
    </message>
    <message>
        <source>Original Size</source>
        <translation>Pôvodná veľkosť</translation>
    </message>
    <message>
        <source>Switch Monitor</source>
        <translation>Prepnúť monitor</translation>
    </message>
    <message>
        <source>Monitor %1</source>
        <translation>Monitor %1</translation>
    </message>
    <message>
        <source>Fullscreen  (F11)</source>
        <translation>Celá obrazovka  (F11)</translation>
    </message>
    <message>
        <source>Connection: Good</source>
        <translation>Pripojenie: dobré</translation>
    </message>
    <message>
        <source>Disconnect  (Ctrl+Shift+D)</source>
        <translation>Odpojiť  (Ctrl+Shift+D)</translation>
    </message>
    <message>
        <source>This display cannot show the remote screen (no OpenGL).</source>
        <translation>Tento displej nemôže zobraziť vzdialenú obrazovku (chýba OpenGL).</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Chyba</translation>
    </message>
    <message>
        <source>Please enter a partner Client ID.</source>
        <translation>Zadajte, prosím, ID klienta partnera.</translation>
    </message>
    <message>
        <source>Partner ID must be exactly 9 digits.</source>
        <translation>ID partnera musí mať presne 9 číslic.</translation>
    </message>
    <message>
        <source>Please enter the partner's password.</source>
        <translation>Zadajte, prosím, heslo partnera.</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>Pripravené</translation>
    </message>
    <message>
        <source>Ready. Your ID: %1</source>
        <translation>Pripravené. Vaše ID: %1</translation>
    </message>
    <message>
        <source>Not connected</source>
        <translation>Nepripojené</translation>
    </message>
    <message>
        <source>Disconnected</source>
        <translation>Odpojené</translation>
    </message>
    <message>
        <source>Online (Ready)</source>
        <translation>Online (pripravené)</translation>
    </message>
    <message>
        <source>Reconnecting...</source>
        <translation>Obnovuje sa pripojenie...</translation>
    </message>
    <message>
        <source>Client %1 wants to connect.
Purpose: %2

Accept?</source>
        <translation>Klient %1 sa chce pripojiť.
Účel: %2

Prijať?</translation>
    </message>
    <message>
        <source>remote access</source>
        <translation>vzdialený prístup</translation>
    </message>
    <message>
        <source>Incoming Connection</source>
        <translation>Prichádzajúce pripojenie</translation>
    </message>
    <message>
        <source>Incoming connection from </source>
        <translation>Prichádzajúce pripojenie od </translation>
    </message>
    <message>
        <source>Initiating session...</source>
        <translation>Začína sa relácia...</translation>
    </message>
    <message>
        <source>Exchanging keys...</source>
        <translation>Vymieňajú sa kľúče...</translation>
    </message>
    <message>
        <source>Establishing transport...</source>
        <translation>Nadväzuje sa prenos...</translation>
    </message>
    <message>
        <source>Connected</source>
        <translation>Pripojené</translation>
    </message>
    <message>
        <source>Nimbral - Connected to %1</source>
        <translation>Nimbral - Pripojené k %1</translation>
    </message>
    <message>
        <source>Remote session active — sharing your screen.</source>
        <translation>Vzdialená relácia je aktívna — zdieľate svoju obrazovku.</translation>
    </message>
    <message>
        <source>Disconnecting...</source>
        <translation>Odpája sa...</translation>
    </message>
    <message>
        <source>Session failed</source>
        <translation>Relácia zlyhala</translation>
    </message>
    <message>
        <source>Session failed.</source>
        <translation>Relácia zlyhala.</translation>
    </message>
    <message>
        <source>Session Error</source>
        <translation>Chyba relácie</translation>
    </message>
    <message>
        <source>Application minimized to system tray.</source>
        <translation>Aplikácia bola minimalizovaná do oznamovacej oblasti.</translation>
    </message>
    <message>
        <source>Change Session Password</source>
        <translation>Zmeniť heslo relácie</translation>
    </message>
    <message>
        <source>New password (min 8 chars, uppercase + lowercase + digit):</source>
        <translation>Nové heslo (min. 8 znakov, veľké a malé písmená a číslica):</translation>
    </message>
    <message>
        <source>Invalid Password</source>
        <translation>Neplatné heslo</translation>
    </message>
    <message>
        <source>Wake-on-LAN packet sent to %1</source>
        <translation>Paket Wake-on-LAN odoslaný na %1</translation>
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
        <translation>Dobré</translation>
    </message>
    <message>
        <source>Fair</source>
        <translation>Priemerné</translation>
    </message>
    <message>
        <source>Poor</source>
        <translation>Slabé</translation>
    </message>
    <message>
        <source>%1 (%2 FPS, %3ms)</source>
        <translation>%1 (%2 FPS, %3 ms)</translation>
    </message>
    <message>
        <source>Downloading... %1%</source>
        <translation>Sťahuje sa... %1%</translation>
    </message>
    <message>
        <source>Update Now</source>
        <translation>Aktualizovať teraz</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>Aktualizácia</translation>
    </message>
    <message>
        <source>Update available: v%1</source>
        <translation>Je dostupná aktualizácia: v%1</translation>
    </message>
    <message>
        <source>Downloading...</source>
        <translation>Sťahuje sa...</translation>
    </message>
    <message>
        <source>Could not start the installer.</source>
        <translation>Inštalačný program nemožno spustiť.</translation>
    </message>
    <message>
        <source>The connection to the server is not encrypted</source>
        <translation>Pripojenie k serveru nie je šifrované</translation>
    </message>
    <message>
        <source>Client %1 wants to connect with your pairing code.

Security code: %2
Ask your partner to read out the code on their screen: accept only if it is the same.

Partner's device key: %3

Accept?</source>
        <translation>Klient %1 sa chce pripojiť pomocou vášho párovacieho kódu.

Bezpečnostný kód: %2
Požiadajte partnera, aby prečítal kód na svojej obrazovke: prijmite iba vtedy, ak je rovnaký.

Kľúč zariadenia partnera: %3

Prijať?</translation>
    </message>
    <message>
        <source>Device Key Changed</source>
        <translation>Kľúč zariadenia sa zmenil</translation>
    </message>
    <message>
        <source>Trust the new key and connect?</source>
        <translation>Dôverovať novému kľúču a pripojiť sa?</translation>
    </message>
    <message>
        <source>security code %1</source>
        <translation>bezpečnostný kód %1</translation>
    </message>
    <message>
        <source>Not verified</source>
        <translation>Neoverené</translation>
    </message>
    <message>
        <source>Nimbral - Connected to %1 (%2)</source>
        <translation>Nimbral - Pripojené k %1 (%2)</translation>
    </message>
    <message>
        <source>Device key: %1</source>
        <translation>Kľúč zariadenia: %1</translation>
    </message>
    <message>
        <source>The Wake-on-LAN packet to %1 could not be sent.</source>
        <translation>Paket Wake-on-LAN pre %1 sa nepodarilo odoslať.</translation>
    </message>
    <message>
        <source>%1 (idle, %2ms)</source>
        <translation>%1 (nečinné, %2 ms)</translation>
    </message>
    <message>
        <source>Sharing this screen with %1 since %2</source>
        <translation>Táto obrazovka je zdieľaná s %1 od %2</translation>
    </message>
    <message>
        <source>Show password</source>
        <translation>Zobraziť heslo</translation>
    </message>
    <message>
        <source>FAVORITES</source>
        <translation>OBĽÚBENÉ</translation>
    </message>
    <message>
        <source>Copied</source>
        <translation>Skopírované</translation>
    </message>
    <message>
        <source>Wake-on-LAN starts the partner's computer through its network card. Enter that card's MAC address: six pairs of hexadecimal digits, such as 00:1A:2B:3C:4D:5E. On the partner's computer, "ip link" (Linux) or "getmac" (Windows) shows it.</source>
        <translation>Wake-on-LAN zapne počítač partnera cez jeho sieťovú kartu. Zadajte MAC adresu tejto karty: šesť dvojíc šestnástkových číslic, napríklad 00:1A:2B:3C:4D:5E. Na počítači partnera ju ukáže "ip link" (Linux) alebo "getmac" (Windows).</translation>
    </message>
    <message>
        <source>"%1" is not a MAC address: it has six pairs of hexadecimal digits, such as 00:1A:2B:3C:4D:5E.</source>
        <translation>"%1" nie je MAC adresa: má šesť dvojíc šestnástkových číslic, napríklad 00:1A:2B:3C:4D:5E.</translation>
    </message>
    <message>
        <source>Hide password</source>
        <translation>Skryť heslo</translation>
    </message>
    <message>
        <source>Reconnect</source>
        <translation>Znova pripojiť</translation>
    </message>
    <message>
        <source>Connection to partner %1 lost: reconnecting (attempt %2 of %3)...</source>
        <translation>Spojenie s partnerom %1 stratené: znova sa pripájam (pokus %2 z %3)...</translation>
    </message>
    <message>
        <source>Session Ended</source>
        <translation>Relácia ukončená</translation>
    </message>
    <message>
        <source>Partner %1 ended the session.</source>
        <translation>Partner %1 ukončil reláciu.</translation>
    </message>
    <message>
        <source>Connection Lost</source>
        <translation>Spojenie stratené</translation>
    </message>
    <message>
        <source>The connection to partner %1 was lost.</source>
        <translation>Spojenie s partnerom %1 sa stratilo.</translation>
    </message>
    <message>
        <source>The connection to partner %1 was lost, and %2 attempts to reconnect failed.</source>
        <translation>Spojenie s partnerom %1 sa stratilo a %2 pokusov o opätovné pripojenie zlyhalo.</translation>
    </message>
    <message>
        <source>Another session is under way.</source>
        <translation>Prebieha iná relácia.</translation>
    </message>
    <message>
        <source>Monitor %1: %2 (%3 × %4)</source>
        <translation>Monitor %1: %2 (%3 × %4)</translation>
    </message>
    <message>
        <source>Monitor %1 is not available on the partner's computer.</source>
        <translation>Monitor %1 nie je na počítači partnera k dispozícii.</translation>
    </message>
    <message>
        <source>The partner's screen cannot be shown: their desktop offers no way to share it.</source>
        <translation>Obrazovku partnera nemožno zobraziť: jeho pracovná plocha neumožňuje jej zdieľanie.</translation>
    </message>
    <message>
        <source>Scale: %1</source>
        <translation>Mierka: %1</translation>
    </message>
</context>
<context>
    <name>nimbral::SessionManager</name>
    <message>
        <source>Crypto error: %1</source>
        <translation>Kryptografická chyba: %1</translation>
    </message>
    <message>
        <source>ECDH key derivation failed</source>
        <translation>Odvodenie kľúča ECDH zlyhalo</translation>
    </message>
    <message>
        <source>Cipher error: %1</source>
        <translation>Chyba šifrovania: %1</translation>
    </message>
    <message>
        <source>Cannot initiate session: not idle</source>
        <translation>Reláciu nemožno začať: nie je v pokojovom stave</translation>
    </message>
    <message>
        <source>Server returned invalid session data</source>
        <translation>Server vrátil neplatné údaje relácie</translation>
    </message>
    <message>
        <source>Missing target ECDH public key</source>
        <translation>Chýba verejný kľúč ECDH cieľa</translation>
    </message>
    <message>
        <source>Cannot accept session: not idle</source>
        <translation>Reláciu nemožno prijať: nie je v pokojovom stave</translation>
    </message>
    <message>
        <source>Transport failed: %1</source>
        <translation>Prenos zlyhal: %1</translation>
    </message>
    <message>
        <source>Partner did not respond</source>
        <translation>Partner neodpovedal</translation>
    </message>
    <message>
        <source>Failed to start screen capture.</source>
        <translation>Snímanie obrazovky nemožno spustiť.</translation>
    </message>
    <message>
        <source>Too many wrong passwords for partner %1: wait a few minutes, then try again</source>
        <translation>Príliš veľa nesprávnych hesiel pre partnera %1: počkajte niekoľko minút a skúste to znova</translation>
    </message>
    <message>
        <source>Partner %1 declined the session</source>
        <translation>Partner %1 reláciu odmietol</translation>
    </message>
    <message>
        <source>Wrong password for partner %1: check it, or ask them for the current one</source>
        <translation>Nesprávne heslo pre partnera %1: skontrolujte ho, alebo si vypýtajte aktuálne</translation>
    </message>
    <message>
        <source>Partner %1 is unknown: check the ID</source>
        <translation>Partner %1 nie je známy: skontrolujte ID</translation>
    </message>
    <message>
        <source>Partner %1 is offline: ask them to open Nimbral</source>
        <translation>Partner %1 je offline: požiadajte ho, nech otvorí Nimbral</translation>
    </message>
    <message>
        <source>%1 is this device's own ID: enter the partner's ID</source>
        <translation>%1 je ID tohto zariadenia: zadajte ID partnera</translation>
    </message>
    <message>
        <source>Partner %1 could not be reached: try again in a moment</source>
        <translation>Partnera %1 sa nepodarilo zastihnúť: skúste to o chvíľu znova</translation>
    </message>
    <message>
        <source>Partner %1 is busy with other connection requests: try again in a moment</source>
        <translation>Partner %1 vybavuje iné žiadosti o pripojenie: skúste to o chvíľu znova</translation>
    </message>
    <message>
        <source>Partner %1 accepts only verified sessions</source>
        <translation>Partner %1 prijíma iba overené relácie</translation>
    </message>
    <message>
        <source>Partner %1 could not check this device's key</source>
        <translation>Partner %1 nemohol overiť kľúč tohto zariadenia</translation>
    </message>
    <message>
        <source>Partner %1 ended the session before it started</source>
        <translation>Partner %1 ukončil reláciu skôr, ako sa začala</translation>
    </message>
    <message>
        <source>The password exchange could not be started</source>
        <translation>Výmenu hesla nebolo možné začať</translation>
    </message>
    <message>
        <source>Partner %1 cannot open a verified session, and this device accepts only verified sessions</source>
        <translation>Partner %1 nemôže otvoriť overenú reláciu a toto zariadenie prijíma iba overené relácie</translation>
    </message>
    <message>
        <source>Partner %1 verified its sessions before and now offers only an unverified one. Not connected: someone may be posing as it.</source>
        <translation>Partner %1 predtým svoje relácie overoval a teraz ponúka iba neoverenú. Nepripojené: niekto sa zaňho môže vydávať.</translation>
    </message>
    <message>
        <source>Partner %1 did not prove its device key. Not connected.</source>
        <translation>Partner %1 nepreukázal kľúč svojho zariadenia. Nepripojené.</translation>
    </message>
    <message>
        <source>The device key of partner %1 has changed.

Before: %2
Now: %3

If the partner's device was set up again, you can trust the new key; otherwise someone may be posing as it. Not connected.</source>
        <translation>Kľúč zariadenia partnera %1 sa zmenil.

Predtým: %2
Teraz: %3

Ak bolo zariadenie partnera nastavené znova, môžete novému kľúču dôverovať; inak sa zaňho môže niekto vydávať. Nepripojené.</translation>
    </message>
</context>
<context>
    <name>nimbral::SessionNotice</name>
    <message>
        <source>Partner %1 sees and controls this screen</source>
        <translation>Partner %1 vidí a ovláda túto obrazovku</translation>
    </message>
    <message>
        <source>End session</source>
        <translation>Ukončiť reláciu</translation>
    </message>
    <message>
        <source>Looking at files in %1</source>
        <translation>Prezerá súbory v priečinku %1</translation>
    </message>
    <message>
        <source>Copying %1 from this computer</source>
        <translation>Kopíruje %1 z tohto počítača</translation>
    </message>
    <message>
        <source>Copying %1 to this computer</source>
        <translation>Kopíruje %1 do tohto počítača</translation>
    </message>
</context>
<context>
    <name>nimbral::SettingsDialog</name>
    <message>
        <source>Monitor %1: %2 (%3x%4%5)</source>
        <translation>Monitor %1: %2 (%3x%4%5)</translation>
    </message>
    <message>
        <source>, Primary</source>
        <translation>, hlavný</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Nastavenia</translation>
    </message>
    <message>
        <source>Display</source>
        <translation>Zobrazenie</translation>
    </message>
    <message>
        <source>Network</source>
        <translation>Sieť</translation>
    </message>
    <message>
        <source>Advanced</source>
        <translation>Rozšírené</translation>
    </message>
    <message>
        <source>System default</source>
        <translation>Predvolený systémom</translation>
    </message>
    <message>
        <source>Application language. Requires restart to take effect.</source>
        <translation>Jazyk aplikácie. Prejaví sa po reštarte.</translation>
    </message>
    <message>
        <source>Language:</source>
        <translation>Jazyk:</translation>
    </message>
    <message>
        <source>Optimize Quality</source>
        <translation>Uprednostniť kvalitu</translation>
    </message>
    <message>
        <source>Optimize Speed</source>
        <translation>Uprednostniť rýchlosť</translation>
    </message>
    <message>
        <source>Quality: 24 fps, sharp image, higher bandwidth.
Speed: 10 fps, lower bandwidth and CPU usage.</source>
        <translation>Kvalita: 24 fps, ostrý obraz, vyšší dátový tok.
Rýchlosť: 10 fps, nižší dátový tok a zaťaženie CPU.</translation>
    </message>
    <message>
        <source>Display mode:</source>
        <translation>Režim zobrazenia:</translation>
    </message>
    <message>
        <source>Select which monitor to share when someone connects to this device.</source>
        <translation>Vyberte, ktorý monitor sa zdieľa, keď sa niekto pripojí k tomuto zariadeniu.</translation>
    </message>
    <message>
        <source>Capture monitor:</source>
        <translation>Snímaný monitor:</translation>
    </message>
    <message>
        <source>Enable clipboard sharing</source>
        <translation>Povoliť zdieľanie schránky</translation>
    </message>
    <message>
        <source>Synchronise clipboard content between the local and remote machines.</source>
        <translation>Synchronizovať obsah schránky medzi miestnym a vzdialeným počítačom.</translation>
    </message>
    <message>
        <source>Auto-reconnect on disconnect</source>
        <translation>Po odpojení automaticky znova pripojiť</translation>
    </message>
    <message>
        <source>Automatically attempt to re-establish the connection after an unexpected disconnect.</source>
        <translation>Po neočakávanom odpojení sa automaticky pokúsiť obnoviť pripojenie.</translation>
    </message>
    <message>
        <source>Maximum number of consecutive reconnection attempts before giving up.</source>
        <translation>Najvyšší počet po sebe idúcich pokusov o opätovné pripojenie, kým sa to vzdá.</translation>
    </message>
    <message>
        <source>Max reconnect attempts:</source>
        <translation>Max. pokusov o pripojenie:</translation>
    </message>
    <message>
        <source>Start when I log in</source>
        <translation>Spustiť po prihlásení</translation>
    </message>
    <message>
        <source>Automatically start Nimbral when you log in to your desktop session.</source>
        <translation>Automaticky spustiť Nimbral po prihlásení do vašej relácie pracovnej plochy.</translation>
    </message>
    <message>
        <source>Run as system service (unattended)</source>
        <translation>Spúšťať ako systémovú službu (bez obsluhy)</translation>
    </message>
    <message>
        <source>Install NimbralService as a systemd service that runs at boot,
even when no user is logged in. Requires administrator privileges.</source>
        <translation>Nainštalovať NimbralService ako službu systemd, ktorá beží od spustenia systému,
aj keď nie je nikto prihlásený. Vyžaduje oprávnenia správcu.</translation>
    </message>
    <message>
        <source>Minimize to tray on close</source>
        <translation>Pri zatvorení minimalizovať do oznamovacej oblasti</translation>
    </message>
    <message>
        <source>Keep the application running in the system tray when the window is closed.</source>
        <translation>Po zatvorení okna nechať aplikáciu bežať v oznamovacej oblasti.</translation>
    </message>
    <message>
        <source>Language Changed</source>
        <translation>Jazyk zmenený</translation>
    </message>
    <message>
        <source>Accept only verified sessions</source>
        <translation>Prijímať iba overené relácie</translation>
    </message>
    <message>
        <source>Refuse partners that cannot prove the password to this device themselves (older versions). The password and the pairing code then never leave this device.</source>
        <translation>Odmietať partnerov, ktorí nemôžu heslo tomuto zariadeniu sami preukázať (staršie verzie). Heslo ani párovací kód potom toto zariadenie nikdy neopustia.</translation>
    </message>
    <message>
        <source>Restart now</source>
        <translation>Reštartovať teraz</translation>
    </message>
    <message>
        <source>Later</source>
        <translation>Neskôr</translation>
    </message>
    <message>
        <source>The new language takes effect when Nimbral starts again.</source>
        <translation>Nový jazyk sa prejaví pri ďalšom spustení aplikácie Nimbral.</translation>
    </message>
</context>
<context>
    <name>nimbral::SystemTrayIcon</name>
    <message>
        <source>Show</source>
        <translation>Zobraziť</translation>
    </message>
    <message>
        <source>Status: Disconnected</source>
        <translation>Stav: Odpojené</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Odpojiť</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Ukončiť</translation>
    </message>
    <message>
        <source>Nimbral - Remote Access</source>
        <translation>Nimbral - Vzdialený prístup</translation>
    </message>
    <message>
        <source>Incoming Connection</source>
        <translation>Prichádzajúce pripojenie</translation>
    </message>
    <message>
        <source>Client %1 is requesting a remote connection.</source>
        <translation>Klient %1 žiada o vzdialené pripojenie.</translation>
    </message>
</context>
<context>
    <name>nimbral::UpdateService</name>
    <message>
        <source>The update address is not secure — update aborted.</source>
        <translation>Adresa aktualizácie nie je zabezpečená — aktualizácia prerušená.</translation>
    </message>
    <message>
        <source>Downloaded file is too small — update aborted.</source>
        <translation>Stiahnutý súbor je príliš malý — aktualizácia prerušená.</translation>
    </message>
    <message>
        <source>Downloaded file does not match its checksum — update aborted.</source>
        <translation>Stiahnutý súbor nezodpovedá kontrolnému súčtu — aktualizácia prerušená.</translation>
    </message>
    <message>
        <source>Cannot write to temp directory.</source>
        <translation>Do dočasného priečinka nemožno zapisovať.</translation>
    </message>
    <message>
        <source>Failed to extract installer from zip.</source>
        <translation>Inštalačný program sa nepodarilo rozbaliť zo zip archívu.</translation>
    </message>
    <message>
        <source>The update is not from a verified release — update aborted.</source>
        <translation>Aktualizácia nepochádza z overeného vydania — aktualizácia prerušená.</translation>
    </message>
</context>
</TS>
