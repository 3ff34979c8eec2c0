<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="cs" sourcelanguage="en">
<context>
    <name>nimbral::AuthController</name>
    <message>
        <source>Password must be at least 8 characters.</source>
        <translation>Heslo musí mít alespoň 8 znaků.</translation>
    </message>
    <message>
        <source>Password must be at most 256 characters.</source>
        <translation>Heslo může mít nejvýše 256 znaků.</translation>
    </message>
    <message>
        <source>Password must contain at least one lowercase letter.</source>
        <translation>Heslo musí obsahovat alespoň jedno malé písmeno.</translation>
    </message>
    <message>
        <source>Password must contain at least one uppercase letter.</source>
        <translation>Heslo musí obsahovat alespoň jedno velké písmeno.</translation>
    </message>
    <message>
        <source>Password must contain at least one digit.</source>
        <translation>Heslo musí obsahovat alespoň jednu číslici.</translation>
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
        <translation>Napište zprávu…</translation>
    </message>
    <message>
        <source>Send</source>
        <translation>Odeslat</translation>
    </message>
    <message>
        <source>Me</source>
        <translation>Já</translation>
    </message>
</context>
<context>
    <name>nimbral::ConnectionDialog</name>
    <message>
        <source>Nimbral - Connect</source>
        <translation>Nimbral - Připojit</translation>
    </message>
    <message>
        <source>Server:</source>
        <translation>Server:</translation>
    </message>
    <message>
        <source>Username</source>
        <translation>Uživatelské jméno</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Heslo</translation>
    </message>
    <message>
        <source>Login</source>
        <translation>Přihlásit</translation>
    </message>
    <message>
        <source>Username:</source>
        <translation>Uživatelské jméno:</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>Heslo:</translation>
    </message>
    <message>
        <source>Password (min 8 chars)</source>
        <translation>Heslo (min. 8 znaků)</translation>
    </message>
    <message>
        <source>My PC</source>
        <translation>Můj počítač</translation>
    </message>
    <message>
        <source>Register</source>
        <translation>Registrovat</translation>
    </message>
    <message>
        <source>Client Name:</source>
        <translation>Název klienta:</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Chyba</translation>
    </message>
    <message>
        <source>Please fill in all fields.</source>
        <translation>Vyplňte prosím všechna pole.</translation>
    </message>
    <message>
        <source>Please fill in username and password.</source>
        <translation>Vyplňte prosím uživatelské jméno a heslo.</translation>
    </message>
    <message>
        <source>Password must be at least 8 characters.</source>
        <translation>Heslo musí mít alespoň 8 znaků.</translation>
    </message>
</context>
<context>
    <name>nimbral::ConnectionInfoDialog</name>
    <message>
        <source>Connection Information</source>
        <translation>Informace o připojení</translation>
    </message>
    <message>
        <source>Session</source>
        <translation>Relace</translation>
    </message>
    <message>
        <source>Session ID:</source>
        <translation>ID relace:</translation>
    </message>
    <message>
        <source>Remote ID:</source>
        <translation>Vzdálené ID:</translation>
    </message>
    <message>
        <source>Role:</source>
        <translation>Role:</translation>
    </message>
    <message>
        <source>Master (Viewer)</source>
        <translation>Master (prohlížející)</translation>
    </message>
    <message>
        <source>Target (Sharing)</source>
        <translation>Cíl (sdílející)</translation>
    </message>
    <message>
        <source>Transport:</source>
        <translation>Přenos:</translation>
    </message>
    <message>
        <source>Connection Quality</source>
        <translation>Kvalita připojení</translation>
    </message>
    <message>
        <source>FPS:</source>
        <translation>FPS:</translation>
    </message>
    <message>
        <source>Latency:</source>
        <translation>Odezva:</translation>
    </message>
    <message>
        <source>Bandwidth:</source>
        <translation>Přenosová rychlost:</translation>
    </message>
    <message>
        <source>Sent:</source>
        <translation>Odesláno:</translation>
    </message>
    <message>
        <source>Received:</source>
        <translation>Přijato:</translation>
    </message>
    <message>
        <source>Dropped Frames:</source>
        <translation>Zahozené snímky:</translation>
    </message>
    <message>
        <source>Uptime:</source>
        <translation>Doba připojení:</translation>
    </message>
    <message>
        <source>Verification</source>
        <translation>Ověření</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Stav:</translation>
    </message>
    <message>
        <source>Verified</source>
        <translation>Ověřeno</translation>
    </message>
    <message>
        <source>Not verified</source>
        <translation>Neověřeno</translation>
    </message>
    <message>
        <source>Security code:</source>
        <translation>Bezpečnostní kód:</translation>
    </message>
    <message>
        <source>Partner's device key:</source>
        <translation>Klíč zařízení partnera:</translation>
    </message>
    <message>
        <source>This device's key:</source>
        <translation>Klíč tohoto zařízení:</translation>
    </message>
</context>
<context>
    <name>nimbral::FileManagerDialog</name>
    <message>
        <source>%v of %m files</source>
        <translation>%v z %m souborů</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Zrušit</translation>
    </message>
    <message>
        <source>%1/s, %2 left</source>
        <translation>%1/s, zbývá %2</translation>
    </message>
    <message>
        <source>Transfer cancelled</source>
        <translation>Přenos zrušen</translation>
    </message>
    <message>
        <source>File Manager</source>
        <translation>Správce souborů</translation>
    </message>
    <message>
        <source>&lt;b&gt;Remote Computer&lt;/b&gt;</source>
        <translation>&lt;b&gt;Vzdálený počítač&lt;/b&gt;</translation>
    </message>
    <message>
        <source>Go up one directory</source>
        <translation>O úroveň výš</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Název</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Velikost</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Typ</translation>
    </message>
    <message>
        <source>Download selected remote file to local</source>
        <translation>Stáhnout vybraný vzdálený soubor do tohoto počítače</translation>
    </message>
    <message>
        <source>Upload selected local file to remote</source>
        <translation>Nahrát vybraný místní soubor do vzdáleného počítače</translation>
    </message>
    <message>
        <source>&lt;b&gt;Local Computer&lt;/b&gt;</source>
        <translation>&lt;b&gt;Místní počítač&lt;/b&gt;</translation>
    </message>
    <message>
        <source>&lt;b&gt;Remote: &lt;/b&gt;%1</source>
        <translation>&lt;b&gt;Vzdálené: &lt;/b&gt;%1</translation>
    </message>
    <message>
        <source>Loading remote directory...</source>
        <translation>Načítání vzdálené složky...</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Složka</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Soubor</translation>
    </message>
    <message>
        <source>%1 items</source>
        <translation>Položek: %1</translation>
    </message>
    <message>
        <source>Select one or more remote files to download.</source>
        <translation>Vyberte jeden nebo více vzdálených souborů ke stažení.</translation>
    </message>
    <message>
        <source>No files selected (folders are skipped).</source>
        <translation>Nejsou vybrány žádné soubory (složky se přeskakují).</translation>
    </message>
    <message>
        <source>Overwrite?</source>
        <translation>Přepsat?</translation>
    </message>
    <message>
        <source>These files already exist locally and will be overwritten:
%1

Continue?</source>
        <translation>Tyto soubory již místně existují a budou přepsány:
%1

Pokračovat?</translation>
    </message>
    <message>
        <source>Downloading %1 of %2: %3</source>
        <translation>Stahování %1 z %2: %3</translation>
    </message>
    <message>
        <source>Downloaded: %1 — %2 remaining</source>
        <translation>Staženo: %1 — zbývá %2</translation>
    </message>
    <message>
        <source>All downloads complete.</source>
        <translation>Všechna stahování dokončena.</translation>
    </message>
    <message>
        <source>Select one or more local files to upload.</source>
        <translation>Vyberte jeden nebo více místních souborů k nahrání.</translation>
    </message>
    <message>
        <source>These files already exist on the remote and will be overwritten:
%1

Continue?</source>
        <translation>Tyto soubory již na vzdáleném počítači existují a budou přepsány:
%1

Pokračovat?</translation>
    </message>
    <message>
        <source>Uploading %1 of %2: %3</source>
        <translation>Nahrávání %1 z %2: %3</translation>
    </message>
    <message>
        <source>All uploads complete.</source>
        <translation>Všechna nahrávání dokončena.</translation>
    </message>
    <message>
        <source>Error: %1</source>
        <translation>Chyba: %1</translation>
    </message>
    <message>
        <source>Refused an unsafe name in the folder: %1</source>
        <translation>Odmítnut nebezpečný název ve složce: %1</translation>
    </message>
    <message>
        <source>Listing folder %1...</source>
        <translation>Načítání obsahu složky %1...</translation>
    </message>
    <message>
        <source>Folder too large: %1</source>
        <translation>Složka je příliš velká: %1</translation>
    </message>
    <message>
        <source>Cannot write to local file: %1</source>
        <translation>Do místního souboru nelze zapisovat: %1</translation>
    </message>
    <message>
        <source>Refused an unsafe name in the listing: %1</source>
        <translation>Odmítnut nebezpečný název ve výpisu: %1</translation>
    </message>
    <message>
        <source>Drives</source>
        <translation>Jednotky</translation>
    </message>
    <message>
        <source>File system (/)</source>
        <translation>Systém souborů (/)</translation>
    </message>
    <message>
        <source>&lt;b&gt;Local: &lt;/b&gt;%1</source>
        <translation>&lt;b&gt;Místní: &lt;/b&gt;%1</translation>
    </message>
</context>
<context>
    <name>nimbral::FileTransferService</name>
    <message>
        <source>Transfer cancelled</source>
        <translation>Přenos zrušen</translation>
    </message>
    <message>
        <source>Transfer corrupted, checksum mismatch: %1</source>
        <translation>Přenos poškozen, kontrolní součet nesouhlasí: %1</translation>
    </message>
    <message>
        <source>Cannot open local file: %1</source>
        <translation>Místní soubor nelze otevřít: %1</translation>
    </message>
    <message>
        <source>File too large to transfer: %1 (%2 bytes, at most %3)</source>
        <translation>Soubor je pro přenos příliš velký: %1 (%2 bajtů, nejvýše %3)</translation>
    </message>
    <message>
        <source>Remote file download failed</source>
        <translation>Stažení vzdáleného souboru se nezdařilo</translation>
    </message>
    <message>
        <source>Cannot write to local file: %1</source>
        <translation>Do místního souboru nelze zapisovat: %1</translation>
    </message>
    <message>
        <source>Refused an unsafe name in the folder: %1</source>
        <translation>Odmítnut nebezpečný název ve složce: %1</translation>
    </message>
</context>
<context>
    <name>nimbral::MainWindow</name>
    <message>
        <source>Nimbral - Remote Access</source>
        <translation>Nimbral - Vzdálený přístup</translation>
    </message>
    <message>
        <source>Server unavailable — retrying...</source>
        <translation>Server je nedostupný — nový pokus...</translation>
    </message>
    <message>
        <source>Admin Panel</source>
        <translation>Administrační panel</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Nastavení</translation>
    </message>
    <message>
        <source>YOUR ID</source>
        <translation>VAŠE ID</translation>
    </message>
    <message>
        <source>Connecting...</source>
        <translation>Připojování...</translation>
    </message>
    <message>
        <source>Copy ID</source>
        <translation>Kopírovat ID</translation>
    </message>
    <message>
        <source>PASSWORD</source>
        <translation>HESLO</translation>
    </message>
    <message>
        <source>Copy Password</source>
        <translation>Kopírovat heslo</translation>
    </message>
    <message>
        <source>Change Password</source>
        <translation>Změnit heslo</translation>
    </message>
    <message>
        <source>CONNECT TO PARTNER</source>
        <translation>PŘIPOJIT K PARTNEROVI</translation>
    </message>
    <message>
        <source>Partner ID  (XXX XXX XXX)</source>
        <translation>ID partnera  (XXX XXX XXX)</translation>
    </message>
    <message>
        <source>Add to favorites</source>
        <translation>Přidat do oblíbených</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Heslo</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Připojit</translation>
    </message>
    <message>
        <source>Wake-on-LAN</source>
        <translation>Wake-on-LAN</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Odpojit</translation>
    </message>
    <message>
        <source>PAIRING CODE</source>
        <translation>PÁROVACÍ KÓD</translation>
    </message>
    <message>
        <source>Copy Pairing Code</source>
        <translation>Kopírovat párovací kód</translation>
    </message>
    <message>
        <source>Add this device at</source>
        <translation>Přidejte toto zařízení na</translation>
    </message>
    <message>
        <source>Info  (Ctrl+Shift+I)</source>
        <translation>Informace  (Ctrl+Shift+I)</translation>
    </message>
    <message>
        <source>Files  (Ctrl+Shift+F)</source>
        <translation>Soubory  (Ctrl+Shift+F)</translation>
    </message>
    <message>
        <source>Chat  (Ctrl+Shift+C)</source>
        <translation>Chat  (Ctrl+Shift+C)</translation>
    </message>
    <message>
        <source>Scale Mode  (Ctrl+Shift+Q)</source>
        <translation>Měřítko  (Ctrl+Shift+Q)</translation>
    </message>
    <message>
        <source>Fit to Window</source>
        <translation>Přizpůsobit oknu</translation>
    </message>
    <message>
        <source>Stretch to Fill</source>
        <translation>Roztáhnout</translation>
    </message>
    <message>
        <source>Original Size</source>
        <translation>Původní velikost</translation>
    </message>
    <message>
        <source>Switch Monitor</source>
        <translation>Přepnout monitor</translation>
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
        <translation>Připojení: dobré</translation>
    </message>
    <message>
        <source>Disconnect  (Ctrl+Shift+D)</source>
        <translation>Odpojit  (Ctrl+Shift+D)</translation>
    </message>
    <message>
        <source>This display cannot show the remote screen (no OpenGL).</source>
        <translation>Tento displej nemůže zobrazit vzdálenou obrazovku (chybí OpenGL).</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Chyba</translation>
    </message>
    <message>
        <source>Please enter a partner Client ID.</source>
        <translation>Zadejte prosím ID klienta partnera.</translation>
    </message>
    <message>
        <source>Partner ID must be exactly 9 digits.</source>
        <translation>ID partnera musí mít přesně 9 číslic.</translation>
    </message>
    <message>
        <source>Please enter the partner's password.</source>
        <translation>Zadejte prosím heslo partnera.</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>Připraveno</translation>
    </message>
    <message>
        <source>Ready. Your ID: %1</source>
        <translation>Připraveno. Vaše ID: %1</translation>
    </message>
    <message>
        <source>Not connected</source>
        <translation>Nepřipojeno</translation>
    </message>
    <message>
        <source>Disconnected</source>
        <translation>Odpojeno</translation>
    </message>
    <message>
        <source>Online (Ready)</source>
        <translation>Online (připraveno)</translation>
    </message>
    <message>
        <source>Reconnecting...</source>
        <translation>Obnovování připojení...</translation>
    </message>
    <message>
        <source>Client %1 wants to connect.
Purpose: %2

Accept?</source>
        <translation>Klient %1 se chce připojit.
Účel: %2

Přijmout?</translation>
    </message>
    <message>
        <source>remote access</source>
        <translation>vzdálený přístup</translation>
    </message>
    <message>
        <source>Incoming Connection</source>
        <translation>Příchozí připojení</translation>
    </message>
    <message>
        <source>Incoming connection from </source>
        <translation>Příchozí připojení od </translation>
    </message>
    <message>
        <source>Initiating session...</source>
        <translation>Zahajování relace...</translation>
    </message>
    <message>
        <source>Exchanging keys...</source>
        <translation>Výměna klíčů...</translation>
    </message>
    <message>
        <source>Establishing transport...</source>
        <translation>Navazování přenosu...</translation>
    </message>
    <message>
        <source>Connected</source>
        <translation>Připojeno</translation>
    </message>
    <message>
        <source>Nimbral - Connected to %1</source>
        <translation>Nimbral - Připojeno k %1</translation>
    </message>
    <message>
        <source>Remote session active — sharing your screen.</source>
        <translation>Vzdálená relace je aktivní — sdílíte svou obrazovku.</translation>
    </message>
    <message>
        <source>Disconnecting...</source>
        <translation>Odpojování...</translation>
    </message>
    <message>
        <source>Session failed</source>
        <translation>Relace selhala</translation>
    </message>
    <message>
        <source>Session failed.</source>
        <translation>Relace selhala.</translation>
    </message>
    <message>
        <source>Session Error</source>
        <translation>Chyba relace</translation>
    </message>
    <message>
        <source>Application minimized to system tray.</source>
        <translation>Aplikace byla minimalizována do oznamovací oblasti.</translation>
    </message>
    <message>
        <source>Change Session Password</source>
        <translation>Změnit heslo relace</translation>
    </message>
    <message>
        <source>New password (min 8 chars, uppercase + lowercase + digit):</source>
        <translation>Nové heslo (min. 8 znaků, velká a malá písmena a číslice):</translation>
    </message>
    <message>
        <source>Invalid Password</source>
        <translation>Neplatné heslo</translation>
    </message>
    <message>
        <source>Wake-on-LAN packet sent to %1</source>
        <translation>Paket Wake-on-LAN odeslán na %1</translation>
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
        <translation>Průměrné</translation>
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
        <translation>Stahování... %1%</translation>
    </message>
    <message>
        <source>Update Now</source>
        <translation>Aktualizovat nyní</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>Aktualizace</translation>
    </message>
    <message>
        <source>Update available: v%1</source>
        <translation>Je k dispozici aktualizace: v%1</translation>
    </message>
    <message>
        <source>Downloading...</source>
        <translation>Stahování...</translation>
    </message>
    <message>
        <source>Could not start the installer.</source>
        <translation>Instalační program nelze spustit.</translation>
    </message>
    <message>
        <source>The connection to the server is not encrypted</source>
        <translation>Připojení k serveru není šifrované</translation>
    </message>
    <message>
        <source>Client %1 wants to connect with your pairing code.

Security code: %2
Ask your partner to read out the code on their screen: accept only if it is the same.

Partner's device key: %3

Accept?</source>
        <translation>Klient %1 se chce připojit pomocí vašeho párovacího kódu.

Bezpečnostní kód: %2
Požádejte partnera, aby přečetl kód na své obrazovce: přijměte jen tehdy, je-li stejný.

Klíč zařízení partnera: %3

Přijmout?</translation>
    </message>
    <message>
        <source>Device Key Changed</source>
        <translation>Klíč zařízení se změnil</translation>
    </message>
    <message>
        <source>Trust the new key and connect?</source>
        <translation>Důvěřovat novému klíči a připojit se?</translation>
    </message>
    <message>
        <source>security code %1</source>
        <translation>bezpečnostní kód %1</translation>
    </message>
    <message>
        <source>Not verified</source>
        <translation>Neověřeno</translation>
    </message>
    <message>
        <source>Nimbral - Connected to %1 (%2)</source>
        <translation>Nimbral - Připojeno k %1 (%2)</translation>
    </message>
    <message>
        <source>Device key: %1</source>
        <translation>Klíč zařízení: %1</translation>
    </message>
    <message>
        <source>The Wake-on-LAN packet to %1 could not be sent.</source>
        <translation>Paket Wake-on-LAN pro %1 se nepodařilo odeslat.</translation>
    </message>
    <message>
        <source>%1 (idle, %2ms)</source>
        <translation>%1 (nečinné, %2 ms)</translation>
    </message>
    <message>
        <source>Sharing this screen with %1 since %2</source>
        <translation>Tato obrazovka je sdílena s %1 od %2</translation>
    </message>
    <message>
        <source>Show password</source>
        <translation>Zobrazit heslo</translation>
    </message>
    <message>
        <source>FAVORITES</source>
        <translation>OBLÍBENÉ</translation>
    </message>
    <message>
        <source>Copied</source>
        <translation>Zkopírováno</translation>
    </message>
    <message>
        <source>Wake-on-LAN starts the partner's computer through its network card. Enter that card's MAC address: six pairs of hexadecimal digits, such as 00:1A:2B:3C:4D:5E. On the partner's computer, "ip link" (Linux) or "getmac" (Windows) shows it.</source>
        <translation>Wake-on-LAN zapne počítač partnera přes jeho síťovou kartu. Zadejte MAC adresu té karty: šest dvojic šestnáctkových číslic, například 00:1A:2B:3C:4D:5E. Na počítači partnera ji ukáže "ip link" (Linux) nebo "getmac" (Windows).</translation>
    </message>
    <message>
        <source>"%1" is not a MAC address: it has six pairs of hexadecimal digits, such as 00:1A:2B:3C:4D:5E.</source>
        <translation>"%1" není MAC adresa: má šest dvojic šestnáctkových číslic, například 00:1A:2B:3C:4D:5E.</translation>
    </message>
    <message>
        <source>Hide password</source>
        <translation>Skrýt heslo</translation>
    </message>
    <message>
        <source>Reconnect</source>
        <translation>Znovu připojit</translation>
    </message>
    <message>
        <source>Connection to partner %1 lost: reconnecting (attempt %2 of %3)...</source>
        <translation>Spojení s partnerem %1 ztraceno: znovu se připojuji (pokus %2 z %3)...</translation>
    </message>
    <message>
        <source>Session Ended</source>
        <translation>Relace ukončena</translation>
    </message>
    <message>
        <source>Partner %1 ended the session.</source>
        <translation>Partner %1 ukončil relaci.</translation>
    </message>
    <message>
        <source>Connection Lost</source>
        <translation>Spojení ztraceno</translation>
    </message>
    <message>
        <source>The connection to partner %1 was lost.</source>
        <translation>Spojení s partnerem %1 bylo ztraceno.</translation>
    </message>
    <message>
        <source>The connection to partner %1 was lost, and %2 attempts to reconnect failed.</source>
        <translation>Spojení s partnerem %1 bylo ztraceno a %2 pokusů o opětovné připojení selhalo.</translation>
    </message>
    <message>
        <source>Another session is under way.</source>
        <translation>Probíhá jiná relace.</translation>
    </message>
    <message>
        <source>Monitor %1: %2 (%3 × %4)</source>
        <translation>Monitor %1: %2 (%3 × %4)</translation>
    </message>
    <message>
        <source>Monitor %1 is not available on the partner's computer.</source>
        <translation>Monitor %1 není na počítači partnera k dispozici.</translation>
    </message>
    <message>
        <source>The partner's screen cannot be shown: their desktop offers no way to share it.</source>
        <translation>Obrazovku partnera nelze zobrazit: jeho pracovní plocha neumožňuje její sdílení.</translation>
    </message>
    <message>
        <source>Scale: %1</source>
        <translation>Měřítko: %1</translation>
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
        <translation>Odvození klíče ECDH selhalo</translation>
    </message>
    <message>
        <source>Cipher error: %1</source>
        <translation>Chyba šifrování: %1</translation>
    </message>
    <message>
        <source>Cannot initiate session: not idle</source>
        <translation>Relaci nelze zahájit: neprobíhá v klidovém stavu</translation>
    </message>
    <message>
        <source>Server returned invalid session data</source>
        <translation>Server vrátil neplatná data relace</translation>
    </message>
    <message>
        <source>Missing target ECDH public key</source>
        <translation>Chybí veřejný klíč ECDH cíle</translation>
    </message>
    <message>
        <source>Cannot accept session: not idle</source>
        <translation>Relaci nelze přijmout: neprobíhá v klidovém stavu</translation>
    </message>
    <message>
        <source>Transport failed: %1</source>
        <translation>Přenos selhal: %1</translation>
    </message>
    <message>
        <source>Partner did not respond</source>
        <translation>Partner neodpověděl</translation>
    </message>
    <message>
        <source>Failed to start screen capture.</source>
        <translation>Snímání obrazovky nelze spustit.</translation>
    </message>
    <message>
        <source>Too many wrong passwords for partner %1: wait a few minutes, then try again</source>
        <translation>Příliš mnoho chybných hesel pro partnera %1: počkejte několik minut a zkuste to znovu</translation>
    </message>
    <message>
        <source>Partner %1 declined the session</source>
        <translation>Partner %1 relaci odmítl</translation>
    </message>
    <message>
        <source>Wrong password for partner %1: check it, or ask them for the current one</source>
        <translation>Nesprávné heslo pro partnera %1: zkontrolujte ho, nebo si řekněte o aktuální</translation>
    </message>
    <message>
        <source>Partner %1 is unknown: check the ID</source>
        <translation>Partner %1 není znám: zkontrolujte ID</translation>
    </message>
    <message>
        <source>Partner %1 is offline: ask them to open Nimbral</source>
        <translation>Partner %1 je offline: požádejte ho, ať otevře Nimbral</translation>
    </message>
    <message>
        <source>%1 is this device's own ID: enter the partner's ID</source>
        <translation>%1 je ID tohoto zařízení: zadejte ID partnera</translation>
    </message>
    <message>
        <source>Partner %1 could not be reached: try again in a moment</source>
        <translation>Partnera %1 se nepodařilo zastihnout: zkuste to za chvíli znovu</translation>
    </message>
    <message>
        <source>Partner %1 is busy with other connection requests: try again in a moment</source>
        <translation>Partner %1 vyřizuje jiné žádosti o připojení: zkuste to za chvíli znovu</translation>
    </message>
    <message>
        <source>Partner %1 accepts only verified sessions</source>
        <translation>Partner %1 přijímá pouze ověřené relace</translation>
    </message>
    <message>
        <source>Partner %1 could not check this device's key</source>
        <translation>Partner %1 nemohl ověřit klíč tohoto zařízení</translation>
    </message>
    <message>
        <source>Partner %1 ended the session before it started</source>
        <translation>Partner %1 ukončil relaci dříve, než začala</translation>
    </message>
    <message>
        <source>The password exchange could not be started</source>
        <translation>Výměnu hesla nebylo možné zahájit</translation>
    </message>
    <message>
        <source>Partner %1 cannot open a verified session, and this device accepts only verified sessions</source>
        <translation>Partner %1 nemůže otevřít ověřenou relaci a toto zařízení přijímá pouze ověřené relace</translation>
    </message>
    <message>
        <source>Partner %1 verified its sessions before and now offers only an unverified one. Not connected: someone may be posing as it.</source>
        <translation>Partner %1 dříve své relace ověřoval a nyní nabízí pouze neověřenou. Nepřipojeno: někdo se za něj může vydávat.</translation>
    </message>
    <message>
        <source>Partner %1 did not prove its device key. Not connected.</source>
        <translation>Partner %1 neprokázal klíč svého zařízení. Nepřipojeno.</translation>
    </message>
    <message>
        <source>The device key of partner %1 has changed.

Before: %2
Now: %3

If the partner's device was set up again, you can trust the new key; otherwise someone may be posing as it. Not connected.</source>
        <translation>Klíč zařízení partnera %1 se změnil.

Dříve: %2
Nyní: %3

Pokud bylo zařízení partnera nastaveno znovu, můžete novému klíči důvěřovat; jinak se za něj může někdo vydávat. Nepřipojeno.</translation>
    </message>
</context>
<context>
    <name>nimbral::SessionNotice</name>
    <message>
        <source>Partner %1 sees and controls this screen</source>
        <translation>Partner %1 vidí a ovládá tuto obrazovku</translation>
    </message>
    <message>
        <source>End session</source>
        <translation>Ukončit relaci</translation>
    </message>
    <message>
        <source>Looking at files in %1</source>
        <translation>Prohlíží soubory ve složce %1</translation>
    </message>
    <message>
        <source>Copying %1 from this computer</source>
        <translation>Kopíruje %1 z tohoto počítače</translation>
    </message>
    <message>
        <source>Copying %1 to this computer</source>
        <translation>Kopíruje %1 do tohoto počítače</translation>
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
        <translation>, hlavní</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Nastavení</translation>
    </message>
    <message>
        <source>Display</source>
        <translation>Zobrazení</translation>
    </message>
    <message>
        <source>Network</source>
        <translation>Síť</translation>
    </message>
    <message>
        <source>Advanced</source>
        <translation>Pokročilé</translation>
    </message>
    <message>
        <source>System default</source>
        <translation>Výchozí systému</translation>
    </message>
    <message>
        <source>Application language. Requires restart to take effect.</source>
        <translation>Jazyk aplikace. Projeví se po restartu.</translation>
    </message>
    <message>
        <source>Language:</source>
        <translation>Jazyk:</translation>
    </message>
    <message>
        <source>Optimize Quality</source>
        <translation>Upřednostnit kvalitu</translation>
    </message>
    <message>
        <source>Optimize Speed</source>
        <translation>Upřednostnit rychlost</translation>
    </message>
    <message>
        <source>Quality: 24 fps, sharp image, higher bandwidth.
Speed: 10 fps, lower bandwidth and CPU usage.</source>
        <translation>Kvalita: 24 fps, ostrý obraz, vyšší datový tok.
Rychlost: 10 fps, nižší datový tok a zatížení CPU.</translation>
    </message>
    <message>
        <source>Display mode:</source>
        <translation>Režim zobrazení:</translation>
    </message>
    <message>
        <source>Select which monitor to share when someone connects to this device.</source>
        <translation>Vyberte, který monitor se sdílí, když se někdo připojí k tomuto zařízení.</translation>
    </message>
    <message>
        <source>Capture monitor:</source>
        <translation>Snímaný monitor:</translation>
    </message>
    <message>
        <source>Enable clipboard sharing</source>
        <translation>Povolit sdílení schránky</translation>
    </message>
    <message>
        <source>Synchronise clipboard content between the local and remote machines.</source>
        <translation>Synchronizovat obsah schránky mezi místním a vzdáleným počítačem.</translation>
    </message>
    <message>
        <source>Auto-reconnect on disconnect</source>
        <translation>Po odpojení automaticky znovu připojit</translation>
    </message>
    <message>
        <source>Automatically attempt to re-establish the connection after an unexpected disconnect.</source>
        <translation>Po neočekávaném odpojení se automaticky pokusit obnovit připojení.</translation>
    </message>
    <message>
        <source>Maximum number of consecutive reconnection attempts before giving up.</source>
        <translation>Nejvyšší počet po sobě jdoucích pokusů o opětovné připojení, než se to vzdá.</translation>
    </message>
    <message>
        <source>Max reconnect attempts:</source>
        <translation>Max. pokusů o připojení:</translation>
    </message>
    <message>
        <source>Start when I log in</source>
        <translation>Spustit po přihlášení</translation>
    </message>
    <message>
        <source>Automatically start Nimbral when you log in to your desktop session.</source>
        <translation>Automaticky spustit Nimbral po přihlášení do vaší relace plochy.</translation>
    </message>
    <message>
        <source>Run as system service (unattended)</source>
        <translation>Spouštět jako systémovou službu (bez obsluhy)</translation>
    </message>
    <message>
        <source>Install NimbralService as a systemd service that runs at boot,
even when no user is logged in. Requires administrator privileges.</source>
        <translation>Nainstalovat NimbralService jako službu systemd, která běží od spuštění systému,
i když není nikdo přihlášen. Vyžaduje oprávnění správce.</translation>
    </message>
    <message>
        <source>Minimize to tray on close</source>
        <translation>Při zavření minimalizovat do oznamovací oblasti</translation>
    </message>
    <message>
        <source>Keep the application running in the system tray when the window is closed.</source>
        <translation>Po zavření okna nechat aplikaci běžet v oznamovací oblasti.</translation>
    </message>
    <message>
        <source>Language Changed</source>
        <translation>Jazyk změněn</translation>
    </message>
    <message>
        <source>Accept only verified sessions</source>
        <translation>Přijímat pouze ověřené relace</translation>
    </message>
    <message>
        <source>Refuse partners that cannot prove the password to this device themselves (older versions). The password and the pairing code then never leave this device.</source>
        <translation>Odmítat partnery, kteří nemohou heslo tomuto zařízení sami prokázat (starší verze). Heslo ani párovací kód pak toto zařízení nikdy neopustí.</translation>
    </message>
    <message>
        <source>Restart now</source>
        <translation>Restartovat nyní</translation>
    </message>
    <message>
        <source>Later</source>
        <translation>Později</translation>
    </message>
    <message>
        <source>The new language takes effect when Nimbral starts again.</source>
        <translation>Nový jazyk se projeví po dalším spuštění aplikace Nimbral.</translation>
    </message>
</context>
<context>
    <name>nimbral::SystemTrayIcon</name>
    <message>
        <source>Show</source>
        <translation>Zobrazit</translation>
    </message>
    <message>
        <source>Status: Disconnected</source>
        <translation>Stav: Odpojeno</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Odpojit</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Ukončit</translation>
    </message>
    <message>
        <source>Nimbral - Remote Access</source>
        <translation>Nimbral - Vzdálený přístup</translation>
    </message>
    <message>
        <source>Incoming Connection</source>
        <translation>Příchozí připojení</translation>
    </message>
    <message>
        <source>Client %1 is requesting a remote connection.</source>
        <translation>Klient %1 žádá o vzdálené připojení.</translation>
    </message>
</context>
<context>
    <name>nimbral::UpdateService</name>
    <message>
        <source>The update address is not secure — update aborted.</source>
        <translation>Adresa aktualizace není zabezpečená — aktualizace přerušena.</translation>
    </message>
    <message>
        <source>Downloaded file is too small — update aborted.</source>
        <translation>Stažený soubor je příliš malý — aktualizace přerušena.</translation>
    </message>
    <message>
        <source>Downloaded file does not match its checksum — update aborted.</source>
        <translation>Stažený soubor neodpovídá kontrolnímu součtu — aktualizace přerušena.</translation>
    </message>
    <message>
        <source>Cannot write to temp directory.</source>
        <translation>Do dočasné složky nelze zapisovat.</translation>
    </message>
    <message>
        <source>Failed to extract installer from zip.</source>
        <translation>Instalační program se nepodařilo rozbalit ze zip archivu.</translation>
    </message>
    <message>
        <source>The update is not from a verified release — update aborted.</source>
        <translation>Aktualizace nepochází z ověřeného vydání — aktualizace přerušena.</translation>
    </message>
</context>
</TS>
