<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="it" sourcelanguage="en">
<context>
    <name>nimbral::AuthController</name>
    <message>
        <source>Password must be at least 8 characters.</source>
        <translation>La password deve contenere almeno 8 caratteri.</translation>
    </message>
    <message>
        <source>Password must be at most 256 characters.</source>
        <translation>La password deve essere lunga al massimo 256 caratteri.</translation>
    </message>
    <message>
        <source>Password must contain at least one lowercase letter.</source>
        <translation>La password deve contenere almeno una lettera minuscola.</translation>
    </message>
    <message>
        <source>Password must contain at least one uppercase letter.</source>
        <translation>La password deve contenere almeno una lettera maiuscola.</translation>
    </message>
    <message>
        <source>Password must contain at least one digit.</source>
        <translation>La password deve contenere almeno una cifra.</translation>
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
        <translation>Scrivi un messaggio…</translation>
    </message>
    <message>
        <source>Send</source>
        <translation>Invia</translation>
    </message>
    <message>
        <source>Me</source>
        <translation>Io</translation>
    </message>
</context>
<context>
    <name>nimbral::ConnectionDialog</name>
    <message>
        <source>Nimbral - Connect</source>
        <translation>Nimbral - Connetti</translation>
    </message>
    <message>
        <source>Server:</source>
        <translation>Server:</translation>
    </message>
    <message>
        <source>Username</source>
        <translation>Nome utente</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>Login</source>
        <translation>Accedi</translation>
    </message>
    <message>
        <source>Username:</source>
        <translation>Nome utente:</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>Password:</translation>
    </message>
    <message>
        <source>Password (min 8 chars)</source>
        <translation>Password (min. 8 caratteri)</translation>
    </message>
    <message>
        <source>My PC</source>
        <translation>Il mio PC</translation>
    </message>
    <message>
        <source>Register</source>
        <translation>Registrati</translation>
    </message>
    <message>
        <source>Client Name:</source>
        <translation>Nome client:</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Errore</translation>
    </message>
    <message>
        <source>Please fill in all fields.</source>
        <translation>Compila tutti i campi.</translation>
    </message>
    <message>
        <source>Please fill in username and password.</source>
        <translation>Inserisci nome utente e password.</translation>
    </message>
    <message>
        <source>Password must be at least 8 characters.</source>
        <translation>La password deve contenere almeno 8 caratteri.</translation>
    </message>
</context>
<context>
    <name>nimbral::ConnectionInfoDialog</name>
    <message>
        <source>Connection Information</source>
        <translation>Informazioni sulla connessione</translation>
    </message>
    <message>
        <source>Session</source>
        <translation>Sessione</translation>
    </message>
    <message>
        <source>Session ID:</source>
        <translation>ID sessione:</translation>
    </message>
    <message>
        <source>Remote ID:</source>
        <translation>ID remoto:</translation>
    </message>
    <message>
        <source>Role:</source>
        <translation>Ruolo:</translation>
    </message>
    <message>
        <source>Master (Viewer)</source>
        <translation>Master (visualizzatore)</translation>
    </message>
    <message>
        <source>Target (Sharing)</source>
        <translation>Destinazione (condivisione)</translation>
    </message>
    <message>
        <source>Transport:</source>
        <translation>Trasporto:</translation>
    </message>
    <message>
        <source>Connection Quality</source>
        <translation>Qualità della connessione</translation>
    </message>
    <message>
        <source>FPS:</source>
        <translation>FPS:</translation>
    </message>
    <message>
        <source>Latency:</source>
        <translation>Latenza:</translation>
    </message>
    <message>
        <source>Bandwidth:</source>
        <translation>Larghezza di banda:</translation>
    </message>
    <message>
        <source>Sent:</source>
        <translation>Inviati:</translation>
    </message>
    <message>
        <source>Received:</source>
        <translation>Ricevuti:</translation>
    </message>
    <message>
        <source>Dropped Frames:</source>
        <translation>Fotogrammi persi:</translation>
    </message>
    <message>
        <source>Uptime:</source>
        <translation>Durata:</translation>
    </message>
    <message>
        <source>Verification</source>
        <translation>Verifica</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Stato:</translation>
    </message>
    <message>
        <source>Verified</source>
        <translation>Verificata</translation>
    </message>
    <message>
        <source>Not verified</source>
        <translation>Non verificata</translation>
    </message>
    <message>
        <source>Security code:</source>
        <translation>Codice di sicurezza:</translation>
    </message>
    <message>
        <source>Partner's device key:</source>
        <translation>Chiave del dispositivo del partner:</translation>
    </message>
    <message>
        <source>This device's key:</source>
        <translation>Chiave di questo dispositivo:</translation>
    </message>
</context>
<context>
    <name>nimbral::FileManagerDialog</name>
    <message>
        <source>%v of %m files</source>
        <translation>%v di %m file</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annulla</translation>
    </message>
    <message>
        <source>%1/s, %2 left</source>
        <translation>%1/s, mancano %2</translation>
    </message>
    <message>
        <source>Transfer cancelled</source>
        <translation>Trasferimento annullato</translation>
    </message>
    <message>
        <source>File Manager</source>
        <translation>Gestione file</translation>
    </message>
    <message>
        <source>&lt;b&gt;Remote Computer&lt;/b&gt;</source>
        <translation>&lt;b&gt;Computer remoto&lt;/b&gt;</translation>
    </message>
    <message>
        <source>Go up one directory</source>
        <translation>Sali di una cartella</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Nome</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Dimensione</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Tipo</translation>
    </message>
    <message>
        <source>Download selected remote file to local</source>
        <translation>Scarica il file remoto selezionato su questo computer</translation>
    </message>
    <message>
        <source>Upload selected local file to remote</source>
        <translation>Carica il file locale selezionato sul computer remoto</translation>
    </message>
    <message>
        <source>&lt;b&gt;Local Computer&lt;/b&gt;</source>
        <translation>&lt;b&gt;Computer locale&lt;/b&gt;</translation>
    </message>
    <message>
        <source>&lt;b&gt;Remote: &lt;/b&gt;%1</source>
        <translation>&lt;b&gt;Remoto: &lt;/b&gt;%1</translation>
    </message>
    <message>
        <source>Loading remote directory...</source>
        <translation>Caricamento della cartella remota...</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Cartella</translation>
    </message>
    <message>
        <source>File</source>
        <translation>File</translation>
    </message>
    <message>
        <source>%1 items</source>
        <translation>%1 elementi</translation>
    </message>
    <message>
        <source>Select one or more remote files to download.</source>
        <translation>Seleziona uno o più file remoti da scaricare.</translation>
    </message>
    <message>
        <source>No files selected (folders are skipped).</source>
        <translation>Nessun file selezionato (le cartelle vengono saltate).</translation>
    </message>
    <message>
        <source>Overwrite?</source>
        <translation>Sovrascrivere?</translation>
    </message>
    <message>
        <source>These files already exist locally and will be overwritten:
%1

Continue?</source>
        <translation>Questi file esistono già in locale e verranno sovrascritti:
%1

Continuare?</translation>
    </message>
    <message>
        <source>Downloading %1 of %2: %3</source>
        <translation>Download %1 di %2: %3</translation>
    </message>
    <message>
        <source>Downloaded: %1 — %2 remaining</source>
        <translation>Scaricato: %1 — ne restano %2</translation>
    </message>
    <message>
        <source>All downloads complete.</source>
        <translation>Tutti i download completati.</translation>
    </message>
    <message>
        <source>Select one or more local files to upload.</source>
        <translation>Seleziona uno o più file locali da caricare.</translation>
    </message>
    <message>
        <source>These files already exist on the remote and will be overwritten:
%1

Continue?</source>
        <translation>Questi file esistono già sul computer remoto e verranno sovrascritti:
%1

Continuare?</translation>
    </message>
    <message>
        <source>Uploading %1 of %2: %3</source>
        <translation>Caricamento %1 di %2: %3</translation>
    </message>
    <message>
        <source>All uploads complete.</source>
        <translation>Tutti i caricamenti completati.</translation>
    </message>
    <message>
        <source>Error: %1</source>
        <translation>Errore: %1</translation>
    </message>
    <message>
        <source>Refused an unsafe name in the folder: %1</source>
        <translation>Rifiutato un nome non sicuro nella cartella: %1</translation>
    </message>
    <message>
        <source>Listing folder %1...</source>
        <translation>Elenco della cartella %1...</translation>
    </message>
    <message>
        <source>Folder too large: %1</source>
        <translation>Cartella troppo grande: %1</translation>
    </message>
    <message>
        <source>Cannot write to local file: %1</source>
        <translation>Impossibile scrivere il file locale: %1</translation>
    </message>
    <message>
        <source>Refused an unsafe name in the listing: %1</source>
        <translation>Nome non sicuro rifiutato nell'elenco: %1</translation>
    </message>
    <message>
        <source>Drives</source>
        <translation>Unità</translation>
    </message>
    <message>
        <source>File system (/)</source>
        <translation>File system (/)</translation>
    </message>
    <message>
        <source>&lt;b&gt;Local: &lt;/b&gt;%1</source>
        <translation>&lt;b&gt;Locale: &lt;/b&gt;%1</translation>
    </message>
</context>
<context>
    <name>nimbral::FileTransferService</name>
    <message>
        <source>Transfer cancelled</source>
        <translation>Trasferimento annullato</translation>
    </message>
    <message>
        <source>Transfer corrupted, checksum mismatch: %1</source>
        <translation>Trasferimento danneggiato, checksum non corrispondente: %1</translation>
    </message>
    <message>
        <source>Cannot open local file: %1</source>
        <translation>Impossibile aprire il file locale: %1</translation>
    </message>
    <message>
        <source>File too large to transfer: %1 (%2 bytes, at most %3)</source>
        <translation>File troppo grande da trasferire: %1 (%2 byte, al massimo %3)</translation>
    </message>
    <message>
        <source>Remote file download failed</source>
        <translation>Download del file remoto non riuscito</translation>
    </message>
    <message>
        <source>Cannot write to local file: %1</source>
        <translation>Impossibile scrivere il file locale: %1</translation>
    </message>
    <message>
        <source>Refused an unsafe name in the folder: %1</source>
        <translation>Rifiutato un nome non sicuro nella cartella: %1</translation>
    </message>
</context>
<context>
    <name>nimbral::MainWindow</name>
    <message>
        <source>Nimbral - Remote Access</source>
        <translation>Nimbral - Accesso remoto</translation>
    </message>
    <message>
        <source>Server unavailable — retrying...</source>
        <translation>Server non disponibile — nuovo tentativo...</translation>
    </message>
    <message>
        <source>Admin Panel</source>
        <translation>Pannello di amministrazione</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Impostazioni</translation>
    </message>
    <message>
        <source>YOUR ID</source>
        <translation>IL TUO ID</translation>
    </message>
    <message>
        <source>Connecting...</source>
        <translation>Connessione...</translation>
    </message>
    <message>
        <source>Copy ID</source>
        <translation>Copia ID</translation>
    </message>
    <message>
        <source>PASSWORD</source>
        <translation>PASSWORD</translation>
    </message>
    <message>
        <source>Copy Password</source>
        <translation>Copia password</translation>
    </message>
    <message>
        <source>Change Password</source>
        <translation>Cambia password</translation>
    </message>
    <message>
        <source>CONNECT TO PARTNER</source>
        <translation>CONNETTI A UN PARTNER</translation>
    </message>
    <message>
        <source>Partner ID  (XXX XXX XXX)</source>
        <translation>ID partner  (XXX XXX XXX)</translation>
    </message>
    <message>
        <source>Add to favorites</source>
        <translation>Aggiungi ai preferiti</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Connetti</translation>
    </message>
    <message>
        <source>Wake-on-LAN</source>
        <translation>Wake-on-LAN</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Disconnetti</translation>
    </message>
    <message>
        <source>PAIRING CODE</source>
        <translation>CODICE DI ABBINAMENTO</translation>
    </message>
    <message>
        <source>Copy Pairing Code</source>
        <translation>Copia codice di abbinamento</translation>
    </message>
    <message>
        <source>Add this device at</source>
        <translation>Aggiungi questo dispositivo su</translation>
    </message>
    <message>
        <source>Info  (Ctrl+Shift+I)</source>
        <translation>Info  (Ctrl+Maiusc+I)</translation>
    </message>
    <message>
        <source>Files  (Ctrl+Shift+F)</source>
        <translation>File  (Ctrl+Maiusc+F)</translation>
    </message>
    <message>
        <source>Chat  (Ctrl+Shift+C)</source>
        <translation>Chat  (Ctrl+Maiusc+C)</translation>
    </message>
    <message>
        <source>Scale Mode  (Ctrl+Shift+Q)</source>
        <translation>Scala  (Ctrl+Maiusc+Q)</translation>
    </message>
    <message>
        <source>Fit to Window</source>
        <translation>Adatta alla finestra</translation>
    </message>
    <message>
        <source>Stretch to Fill</source>
        <translation>Estendi a riempimento</translation>
    </message>
    <message>
        <source>Original Size</source>
        <translation>Dimensione originale</translation>
    </message>
    <message>
        <source>Switch Monitor</source>
        <translation>Cambia monitor</translation>
    </message>
    <message>
        <source>Monitor %1</source>
        <translation>Monitor %1</translation>
    </message>
    <message>
        <source>Fullscreen  (F11)</source>
        <translation>Schermo intero  (F11)</translation>
    </message>
    <message>
        <source>Connection: Good</source>
        <translation>Connessione: buona</translation>
    </message>
    <message>
        <source>Disconnect  (Ctrl+Shift+D)</source>
        <translation>Disconnetti  (Ctrl+Maiusc+D)</translation>
    </message>
    <message>
        <source>This display cannot show the remote screen (no OpenGL).</source>
        <translation>Questo display non può mostrare lo schermo remoto (OpenGL assente).</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Errore</translation>
    </message>
    <message>
        <source>Please enter a partner Client ID.</source>
        <translation>Inserisci l'ID client del partner.</translation>
    </message>
    <message>
        <source>Partner ID must be exactly 9 digits.</source>
        <translation>L'ID del partner deve avere esattamente 9 cifre.</translation>
    </message>
    <message>
        <source>Please enter the partner's password.</source>
        <translation>Inserisci la password del partner.</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>Pronto</translation>
    </message>
    <message>
        <source>Ready. Your ID: %1</source>
        <translation>Pronto. Il tuo ID: %1</translation>
    </message>
    <message>
        <source>Not connected</source>
        <translation>Non connesso</translation>
    </message>
    <message>
        <source>Disconnected</source>
        <translation>Disconnesso</translation>
    </message>
    <message>
        <source>Online (Ready)</source>
        <translation>Online (pronto)</translation>
    </message>
    <message>
        <source>Reconnecting...</source>
        <translation>Riconnessione...</translation>
    </message>
    <message>
        <source>Client %1 wants to connect.
Purpose: %2

Accept?</source>
        <translation>Il client %1 vuole connettersi.
Scopo: %2

Accettare?</translation>
    </message>
    <message>
        <source>remote access</source>
        <translation>accesso remoto</translation>
    </message>
    <message>
        <source>Incoming Connection</source>
        <translation>Connessione in arrivo</translation>
    </message>
    <message>
        <source>Incoming connection from </source>
        <translation>Connessione in arrivo da </translation>
    </message>
    <message>
        <source>Initiating session...</source>
        <translation>Avvio della sessione...</translation>
    </message>
    <message>
        <source>Exchanging keys...</source>
        <translation>Scambio delle chiavi...</translation>
    </message>
    <message>
        <source>Establishing transport...</source>
        <translation>Creazione del trasporto...</translation>
    </message>
    <message>
        <source>Connected</source>
        <translation>Connesso</translation>
    </message>
    <message>
        <source>Nimbral - Connected to %1</source>
        <translation>Nimbral - Connesso a %1</translation>
    </message>
    <message>
        <source>Remote session active — sharing your screen.</source>
        <translation>Sessione remota attiva — stai condividendo lo schermo.</translation>
    </message>
    <message>
        <source>Disconnecting...</source>
        <translation>Disconnessione...</translation>
    </message>
    <message>
        <source>Session failed</source>
        <translation>Sessione non riuscita</translation>
    </message>
    <message>
        <source>Session failed.</source>
        <translation>Sessione non riuscita.</translation>
    </message>
    <message>
        <source>Session Error</source>
        <translation>Errore di sessione</translation>
    </message>
    <message>
        <source>Application minimized to system tray.</source>
        <translation>Applicazione ridotta nell'area di notifica.</translation>
    </message>
    <message>
        <source>Change Session Password</source>
        <translation>Cambia password di sessione</translation>
    </message>
    <message>
        <source>New password (min 8 chars, uppercase + lowercase + digit):</source>
        <translation>Nuova password (min. 8 caratteri, maiuscola + minuscola + cifra):</translation>
    </message>
    <message>
        <source>Invalid Password</source>
        <translation>Password non valida</translation>
    </message>
    <message>
        <source>Wake-on-LAN packet sent to %1</source>
        <translation>Pacchetto Wake-on-LAN inviato a %1</translation>
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
        <translation>Buona</translation>
    </message>
    <message>
        <source>Fair</source>
        <translation>Discreta</translation>
    </message>
    <message>
        <source>Poor</source>
        <translation>Scarsa</translation>
    </message>
    <message>
        <source>%1 (%2 FPS, %3ms)</source>
        <translation>%1 (%2 FPS, %3 ms)</translation>
    </message>
    <message>
        <source>Downloading... %1%</source>
        <translation>Download... %1%</translation>
    </message>
    <message>
        <source>Update Now</source>
        <translation>Aggiorna ora</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>Aggiornamento</translation>
    </message>
    <message>
        <source>Update available: v%1</source>
        <translation>Aggiornamento disponibile: v%1</translation>
    </message>
    <message>
        <source>Downloading...</source>
        <translation>Download...</translation>
    </message>
    <message>
        <source>Could not start the installer.</source>
        <translation>Impossibile avviare il programma di installazione.</translation>
    </message>
    <message>
        <source>The connection to the server is not encrypted</source>
        <translation>La connessione al server non è cifrata</translation>
    </message>
    <message>
        <source>Client %1 wants to connect with your pairing code.

Security code: %2
Ask your partner to read out the code on their screen: accept only if it is the same.

Partner's device key: %3

Accept?</source>
        <translation>Il client %1 vuole connettersi con il tuo codice di abbinamento.

Codice di sicurezza: %2
Chiedi al tuo partner di leggere il codice sul suo schermo: accetta solo se è lo stesso.

Chiave del dispositivo del partner: %3

Accettare?</translation>
    </message>
    <message>
        <source>Device Key Changed</source>
        <translation>Chiave del dispositivo cambiata</translation>
    </message>
    <message>
        <source>Trust the new key and connect?</source>
        <translation>Fidarsi della nuova chiave e connettersi?</translation>
    </message>
    <message>
        <source>security code %1</source>
        <translation>codice di sicurezza %1</translation>
    </message>
    <message>
        <source>Not verified</source>
        <translation>Non verificata</translation>
    </message>
    <message>
        <source>Nimbral - Connected to %1 (%2)</source>
        <translation>Nimbral - Connesso a %1 (%2)</translation>
    </message>
    <message>
        <source>Device key: %1</source>
        <translation>Chiave del dispositivo: %1</translation>
    </message>
    <message>
        <source>The Wake-on-LAN packet to %1 could not be sent.</source>
        <translation>Impossibile inviare il pacchetto Wake-on-LAN a %1.</translation>
    </message>
    <message>
        <source>%1 (idle, %2ms)</source>
        <translation>%1 (inattivo, %2 ms)</translation>
    </message>
    <message>
        <source>Sharing this screen with %1 since %2</source>
        <translation>Questo schermo è condiviso con %1 dalle %2</translation>
    </message>
    <message>
        <source>Show password</source>
        <translation>Mostra password</translation>
    </message>
    <message>
        <source>FAVORITES</source>
        <translation>PREFERITI</translation>
    </message>
    <message>
        <source>Copied</source>
        <translation>Copiato</translation>
    </message>
    <message>
        <source>Wake-on-LAN starts the partner's computer through its network card. Enter that card's MAC address: six pairs of hexadecimal digits, such as 00:1A:2B:3C:4D:5E. On the partner's computer, "ip link" (Linux) or "getmac" (Windows) shows it.</source>
        <translation>Wake-on-LAN avvia il computer del partner tramite la sua scheda di rete. Inserisci l'indirizzo MAC di quella scheda: sei coppie di cifre esadecimali, ad esempio 00:1A:2B:3C:4D:5E. Sul computer del partner lo mostra "ip link" (Linux) o "getmac" (Windows).</translation>
    </message>
    <message>
        <source>"%1" is not a MAC address: it has six pairs of hexadecimal digits, such as 00:1A:2B:3C:4D:5E.</source>
        <translation>"%1" non è un indirizzo MAC: è formato da sei coppie di cifre esadecimali, ad esempio 00:1A:2B:3C:4D:5E.</translation>
    </message>
    <message>
        <source>Hide password</source>
        <translation>Nascondi password</translation>
    </message>
    <message>
        <source>Reconnect</source>
        <translation>Riconnetti</translation>
    </message>
    <message>
        <source>Connection to partner %1 lost: reconnecting (attempt %2 of %3)...</source>
        <translation>Connessione con il partner %1 persa: riconnessione (tentativo %2 di %3)...</translation>
    </message>
    <message>
        <source>Session Ended</source>
        <translation>Sessione terminata</translation>
    </message>
    <message>
        <source>Partner %1 ended the session.</source>
        <translation>Il partner %1 ha terminato la sessione.</translation>
    </message>
    <message>
        <source>Connection Lost</source>
        <translation>Connessione persa</translation>
    </message>
    <message>
        <source>The connection to partner %1 was lost.</source>
        <translation>La connessione con il partner %1 è stata persa.</translation>
    </message>
    <message>
        <source>The connection to partner %1 was lost, and %2 attempts to reconnect failed.</source>
        <translation>La connessione con il partner %1 è stata persa e %2 tentativi di riconnessione non sono riusciti.</translation>
    </message>
    <message>
        <source>Another session is under way.</source>
        <translation>È in corso un'altra sessione.</translation>
    </message>
    <message>
        <source>Monitor %1: %2 (%3 × %4)</source>
        <translation>Monitor %1: %2 (%3 × %4)</translation>
    </message>
    <message>
        <source>Monitor %1 is not available on the partner's computer.</source>
        <translation>Il monitor %1 non è disponibile sul computer del partner.</translation>
    </message>
    <message>
        <source>The partner's screen cannot be shown: their desktop offers no way to share it.</source>
        <translation>Impossibile mostrare lo schermo del partner: il suo desktop non offre alcun modo per condividerlo.</translation>
    </message>
    <message>
        <source>Scale: %1</source>
        <translation>Scala: %1</translation>
    </message>
</context>
<context>
    <name>nimbral::SessionManager</name>
    <message>
        <source>Crypto error: %1</source>
        <translation>Errore crittografico: %1</translation>
    </message>
    <message>
        <source>ECDH key derivation failed</source>
        <translation>Derivazione della chiave ECDH non riuscita</translation>
    </message>
    <message>
        <source>Cipher error: %1</source>
        <translation>Errore di cifratura: %1</translation>
    </message>
    <message>
        <source>Cannot initiate session: not idle</source>
        <translation>Impossibile avviare la sessione: un'altra è in corso</translation>
    </message>
    <message>
        <source>Server returned invalid session data</source>
        <translation>Il server ha restituito dati di sessione non validi</translation>
    </message>
    <message>
        <source>Missing target ECDH public key</source>
        <translation>Chiave pubblica ECDH della destinazione mancante</translation>
    </message>
    <message>
        <source>Cannot accept session: not idle</source>
        <translation>Impossibile accettare la sessione: un'altra è in corso</translation>
    </message>
    <message>
        <source>Transport failed: %1</source>
        <translation>Trasporto non riuscito: %1</translation>
    </message>
    <message>
        <source>Partner did not respond</source>
        <translation>Il partner non ha risposto</translation>
    </message>
    <message>
        <source>Failed to start screen capture.</source>
        <translation>Impossibile avviare la cattura dello schermo.</translation>
    </message>
    <message>
        <source>Too many wrong passwords for partner %1: wait a few minutes, then try again</source>
        <translation>Troppe password errate per il partner %1: attendi qualche minuto, poi riprova</translation>
    </message>
    <message>
        <source>Partner %1 declined the session</source>
        <translation>Il partner %1 ha rifiutato la sessione</translation>
    </message>
    <message>
        <source>Wrong password for partner %1: check it, or ask them for the current one</source>
        <translation>Password errata per il partner %1: controllala o chiedi quella attuale</translation>
    </message>
    <message>
        <source>Partner %1 is unknown: check the ID</source>
        <translation>Il partner %1 è sconosciuto: controlla l'ID</translation>
    </message>
    <message>
        <source>Partner %1 is offline: ask them to open Nimbral</source>
        <translation>Il partner %1 è offline: chiedigli di aprire Nimbral</translation>
    </message>
    <message>
        <source>%1 is this device's own ID: enter the partner's ID</source>
        <translation>%1 è l'ID di questo dispositivo: inserisci l'ID del partner</translation>
    </message>
    <message>
        <source>Partner %1 could not be reached: try again in a moment</source>
        <translation>Il partner %1 non è raggiungibile: riprova tra poco</translation>
    </message>
    <message>
        <source>Partner %1 is busy with other connection requests: try again in a moment</source>
        <translation>Il partner %1 è occupato con altre richieste di connessione: riprova tra un momento</translation>
    </message>
    <message>
        <source>Partner %1 accepts only verified sessions</source>
        <translation>Il partner %1 accetta solo sessioni verificate</translation>
    </message>
    <message>
        <source>Partner %1 could not check this device's key</source>
        <translation>Il partner %1 non ha potuto verificare la chiave di questo dispositivo</translation>
    </message>
    <message>
        <source>Partner %1 ended the session before it started</source>
        <translation>Il partner %1 ha terminato la sessione prima che iniziasse</translation>
    </message>
    <message>
        <source>The password exchange could not be started</source>
        <translation>Impossibile avviare lo scambio della password</translation>
    </message>
    <message>
        <source>Partner %1 cannot open a verified session, and this device accepts only verified sessions</source>
        <translation>Il partner %1 non può aprire una sessione verificata e questo dispositivo accetta solo sessioni verificate</translation>
    </message>
    <message>
        <source>Partner %1 verified its sessions before and now offers only an unverified one. Not connected: someone may be posing as it.</source>
        <translation>Il partner %1 in passato verificava le sue sessioni e ora ne offre solo una non verificata. Non connesso: qualcuno potrebbe spacciarsi per lui.</translation>
    </message>
    <message>
        <source>Partner %1 did not prove its device key. Not connected.</source>
        <translation>Il partner %1 non ha dimostrato la chiave del suo dispositivo. Non connesso.</translation>
    </message>
    <message>
        <source>The device key of partner %1 has changed.

Before: %2
Now: %3

If the partner's device was set up again, you can trust the new key; otherwise someone may be posing as it. Not connected.</source>
        <translation>La chiave del dispositivo del partner %1 è cambiata.

Prima: %2
Ora: %3

Se il dispositivo del partner è stato configurato di nuovo, puoi fidarti della nuova chiave; altrimenti qualcuno potrebbe spacciarsi per lui. Non connesso.</translation>
    </message>
</context>
<context>
    <name>nimbral::SessionNotice</name>
    <message>
        <source>Partner %1 sees and controls this screen</source>
        <translation>Il partner %1 vede e controlla questo schermo</translation>
    </message>
    <message>
        <source>End session</source>
        <translation>Termina sessione</translation>
    </message>
    <message>
        <source>Looking at files in %1</source>
        <translation>Sta guardando i file in %1</translation>
    </message>
    <message>
        <source>Copying %1 from this computer</source>
        <translation>Sta copiando %1 da questo computer</translation>
    </message>
    <message>
        <source>Copying %1 to this computer</source>
        <translation>Sta copiando %1 su questo computer</translation>
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
        <translation>, principale</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Impostazioni</translation>
    </message>
    <message>
        <source>Display</source>
        <translation>Schermo</translation>
    </message>
    <message>
        <source>Network</source>
        <translation>Rete</translation>
    </message>
    <message>
        <source>Advanced</source>
        <translation>Avanzate</translation>
    </message>
    <message>
        <source>System default</source>
        <translation>Predefinita di sistema</translation>
    </message>
    <message>
        <source>Application language. Requires restart to take effect.</source>
        <translation>Lingua dell'applicazione. Ha effetto dopo il riavvio.</translation>
    </message>
    <message>
        <source>Language:</source>
        <translation>Lingua:</translation>
    </message>
    <message>
        <source>Optimize Quality</source>
        <translation>Privilegia la qualità</translation>
    </message>
    <message>
        <source>Optimize Speed</source>
        <translation>Privilegia la velocità</translation>
    </message>
    <message>
        <source>Quality: 24 fps, sharp image, higher bandwidth.
Speed: 10 fps, lower bandwidth and CPU usage.</source>
        <translation>Qualità: 24 fps, immagine nitida, più banda.
Velocità: 10 fps, meno banda e carico della CPU.</translation>
    </message>
    <message>
        <source>Display mode:</source>
        <translation>Modalità di visualizzazione:</translation>
    </message>
    <message>
        <source>Select which monitor to share when someone connects to this device.</source>
        <translation>Scegli quale monitor condividere quando qualcuno si connette a questo dispositivo.</translation>
    </message>
    <message>
        <source>Capture monitor:</source>
        <translation>Monitor catturato:</translation>
    </message>
    <message>
        <source>Enable clipboard sharing</source>
        <translation>Abilita condivisione degli appunti</translation>
    </message>
    <message>
        <source>Synchronise clipboard content between the local and remote machines.</source>
        <translation>Sincronizza il contenuto degli appunti tra il computer locale e quello remoto.</translation>
    </message>
    <message>
        <source>Auto-reconnect on disconnect</source>
        <translation>Riconnetti automaticamente dopo una disconnessione</translation>
    </message>
    <message>
        <source>Automatically attempt to re-establish the connection after an unexpected disconnect.</source>
        <translation>Tenta automaticamente di ristabilire la connessione dopo una disconnessione imprevista.</translation>
    </message>
    <message>
        <source>Maximum number of consecutive reconnection attempts before giving up.</source>
        <translation>Numero massimo di tentativi di riconnessione consecutivi prima di rinunciare.</translation>
    </message>
    <message>
        <source>Max reconnect attempts:</source>
        <translation>Tentativi di riconnessione max.:</translation>
    </message>
    <message>
        <source>Start when I log in</source>
        <translation>Avvia all'accesso</translation>
    </message>
    <message>
        <source>Automatically start Nimbral when you log in to your desktop session.</source>
        <translation>Avvia Nimbral automaticamente quando accedi alla sessione desktop.</translation>
    </message>
    <message>
        <source>Run as system service (unattended)</source>
        <translation>Esegui come servizio di sistema (senza presidio)</translation>
    </message>
    <message>
        <source>Install NimbralService as a systemd service that runs at boot,
even when no user is logged in. Requires administrator privileges.</source>
        <translation>Installa NimbralService come servizio systemd avviato all'accensione,
anche quando nessuno ha effettuato l'accesso. Richiede privilegi di amministratore.</translation>
    </message>
    <message>
        <source>Minimize to tray on close</source>
        <translation>Riduci nell'area di notifica alla chiusura</translation>
    </message>
    <message>
        <source>Keep the application running in the system tray when the window is closed.</source>
        <translation>Mantieni l'applicazione attiva nell'area di notifica quando la finestra viene chiusa.</translation>
    </message>
    <message>
        <source>Language Changed</source>
        <translation>Lingua cambiata</translation>
    </message>
    <message>
        <source>Accept only verified sessions</source>
        <translation>Accetta solo sessioni verificate</translation>
    </message>
    <message>
        <source>Refuse partners that cannot prove the password to this device themselves (older versions). The password and the pairing code then never leave this device.</source>
        <translation>Rifiuta i partner che non possono dimostrare da soli la password a questo dispositivo (versioni precedenti). La password e il codice di abbinamento non lasciano così mai questo dispositivo.</translation>
    </message>
    <message>
        <source>Restart now</source>
        <translation>Riavvia ora</translation>
    </message>
    <message>
        <source>Later</source>
        <translation>Più tardi</translation>
    </message>
    <message>
        <source>The new language takes effect when Nimbral starts again.</source>
        <translation>La nuova lingua avrà effetto al prossimo avvio di Nimbral.</translation>
    </message>
</context>
<context>
    <name>nimbral::SystemTrayIcon</name>
    <message>
        <source>Show</source>
        <translation>Mostra</translation>
    </message>
    <message>
        <source>Status: Disconnected</source>
        <translation>Stato: Disconnesso</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Disconnetti</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Esci</translation>
    </message>
    <message>
        <source>Nimbral - Remote Access</source>
        <translation>Nimbral - Accesso remoto</translation>
    </message>
    <message>
        <source>Incoming Connection</source>
        <translation>Connessione in arrivo</translation>
    </message>
    <message>
        <source>Client %1 is requesting a remote connection.</source>
        <translation>Il client %1 richiede una connessione remota.</translation>
    </message>
</context>
<context>
    <name>nimbral::UpdateService</name>
    <message>
        <source>The update address is not secure — update aborted.</source>
        <translation>L'indirizzo dell'aggiornamento non è sicuro — aggiornamento annullato.</translation>
    </message>
    <message>
        <source>Downloaded file is too small — update aborted.</source>
        <translation>Il file scaricato è troppo piccolo — aggiornamento annullato.</translation>
    </message>
    <message>
        <source>Downloaded file does not match its checksum — update aborted.</source>
        <translation>Il file scaricato non corrisponde al suo checksum — aggiornamento annullato.</translation>
    </message>
    <message>
        <source>Cannot write to temp directory.</source>
        <translation>Impossibile scrivere nella cartella temporanea.</translation>
    </message>
    <message>
        <source>Failed to extract installer from zip.</source>
        <translation>Impossibile estrarre il programma di installazione dall'archivio zip.</translation>
    </message>
    <message>
        <source>The update is not from a verified release — update aborted.</source>
        <translation>L'aggiornamento non proviene da una versione verificata — aggiornamento annullato.</translation>
    </message>
</context>
</TS>
