<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pl" sourcelanguage="en">
<context>
    <name>nimbral::AuthController</name>
    <message>
        <source>Password must be at least 8 characters.</source>
        <translation>Hasło musi mieć co najmniej 8 znaków.</translation>
    </message>
    <message>
        <source>Password must be at most 256 characters.</source>
        <translation>Hasło może mieć najwyżej 256 znaków.</translation>
    </message>
    <message>
        <source>Password must contain at least one lowercase letter.</source>
        <translation>Hasło musi zawierać co najmniej jedną małą literę.</translation>
    </message>
    <message>
        <source>Password must contain at least one uppercase letter.</source>
        <translation>Hasło musi zawierać co najmniej jedną wielką literę.</translation>
    </message>
    <message>
        <source>Password must contain at least one digit.</source>
        <translation>Hasło musi zawierać co najmniej jedną cyfrę.</translation>
    </message>
</context>
<context>
    <name>nimbral::ChatDialog</name>
    <message>
        <source>Chat</source>
        <translation>Czat</translation>
    </message>
    <message>
        <source>Type a message…</source>
        <translation>Wpisz wiadomość…</translation>
    </message>
    <message>
        <source>Send</source>
        <translation>Wyślij</translation>
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
        <translation>Nimbral - Połącz</translation>
    </message>
    <message>
        <source>Server:</source>
        <translation>Serwer:</translation>
    </message>
    <message>
        <source>Username</source>
        <translation>Nazwa użytkownika</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Hasło</translation>
    </message>
    <message>
        <source>Login</source>
        <translation>Zaloguj</translation>
    </message>
    <message>
        <source>Username:</source>
        <translation>Nazwa użytkownika:</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>Hasło:</translation>
    </message>
    <message>
        <source>Password (min 8 chars)</source>
        <translation>Hasło (min. 8 znaków)</translation>
    </message>
    <message>
        <source>My PC</source>
        <translation>Mój komputer</translation>
    </message>
    <message>
        <source>Register</source>
        <translation>Zarejestruj</translation>
    </message>
    <message>
        <source>Client Name:</source>
        <translation>Nazwa klienta:</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Błąd</translation>
    </message>
    <message>
        <source>Please fill in all fields.</source>
        <translation>Wypełnij wszystkie pola.</translation>
    </message>
    <message>
        <source>Please fill in username and password.</source>
        <translation>Podaj nazwę użytkownika i hasło.</translation>
    </message>
    <message>
        <source>Password must be at least 8 characters.</source>
        <translation>Hasło musi mieć co najmniej 8 znaków.</translation>
    </message>
</context>
<context>
    <name>nimbral::ConnectionInfoDialog</name>
    <message>
        <source>Connection Information</source>
        <translation>Informacje o połączeniu</translation>
    </message>
    <message>
        <source>Session</source>
        <translation>Sesja</translation>
    </message>
    <message>
        <source>Session ID:</source>
        <translation>ID sesji:</translation>
    </message>
    <message>
        <source>Remote ID:</source>
        <translation>Zdalne ID:</translation>
    </message>
    <message>
        <source>Role:</source>
        <translation>Rola:</translation>
    </message>
    <message>
        <source>Master (Viewer)</source>
        <translation>Master (podgląd)</translation>
    </message>
    <message>
        <source>Target (Sharing)</source>
        <translation>Cel (udostępnianie)</translation>
    </message>
    <message>
        <source>Transport:</source>
        <translation>Transport:</translation>
    </message>
    <message>
        <source>Connection Quality</source>
        <translation>Jakość połączenia</translation>
    </message>
    <message>
        <source>FPS:</source>
        <translation>FPS:</translation>
    </message>
    <message>
        <source>Latency:</source>
        <translation>Opóźnienie:</translation>
    </message>
    <message>
        <source>Bandwidth:</source>
        <translation>Przepustowość:</translation>
    </message>
    <message>
        <source>Sent:</source>
        <translation>Wysłano:</translation>
    </message>
    <message>
        <source>Received:</source>
        <translation>Odebrano:</translation>
    </message>
    <message>
        <source>Dropped Frames:</source>
        <translation>Utracone klatki:</translation>
    </message>
    <message>
        <source>Uptime:</source>
        <translation>Czas trwania:</translation>
    </message>
    <message>
        <source>Verification</source>
        <translation>Weryfikacja</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Stan:</translation>
    </message>
    <message>
        <source>Verified</source>
        <translation>Zweryfikowano</translation>
    </message>
    <message>
        <source>Not verified</source>
        <translation>Niezweryfikowano</translation>
    </message>
    <message>
        <source>Security code:</source>
        <translation>Kod bezpieczeństwa:</translation>
    </message>
    <message>
        <source>Partner's device key:</source>
        <translation>Klucz urządzenia partnera:</translation>
    </message>
    <message>
        <source>This device's key:</source>
        <translation>Klucz tego urządzenia:</translation>
    </message>
</context>
<context>
    <name>nimbral::FileManagerDialog</name>
    <message>
        <source>%v of %m files</source>
        <translation>%v z %m plików</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Anuluj</translation>
    </message>
    <message>
        <source>%1/s, %2 left</source>
        <translation>%1/s, pozostało %2</translation>
    </message>
    <message>
        <source>Transfer cancelled</source>
        <translation>Przesyłanie anulowane</translation>
    </message>
    <message>
        <source>File Manager</source>
        <translation>Menedżer plików</translation>
    </message>
    <message>
        <source>&lt;b&gt;Remote Computer&lt;/b&gt;</source>
        <translation>&lt;b&gt;Komputer zdalny&lt;/b&gt;</translation>
    </message>
    <message>
        <source>Go up one directory</source>
        <translation>Poziom wyżej</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Nazwa</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Rozmiar</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Typ</translation>
    </message>
    <message>
        <source>Download selected remote file to local</source>
        <translation>Pobierz wybrany zdalny plik na ten komputer</translation>
    </message>
    <message>
        <source>Upload selected local file to remote</source>
        <translation>Wyślij wybrany lokalny plik na komputer zdalny</translation>
    </message>
    <message>
        <source>&lt;b&gt;Local Computer&lt;/b&gt;</source>
        <translation>&lt;b&gt;Komputer lokalny&lt;/b&gt;</translation>
    </message>
    <message>
        <source>&lt;b&gt;Remote: &lt;/b&gt;%1</source>
        <translation>&lt;b&gt;Zdalnie: &lt;/b&gt;%1</translation>
    </message>
    <message>
        <source>Loading remote directory...</source>
        <translation>Wczytywanie zdalnego katalogu...</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Folder</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Plik</translation>
    </message>
    <message>
        <source>%1 items</source>
        <translation>Elementy: %1</translation>
    </message>
    <message>
        <source>Select one or more remote files to download.</source>
        <translation>Wybierz co najmniej jeden zdalny plik do pobrania.</translation>
    </message>
    <message>
        <source>No files selected (folders are skipped).</source>
        <translation>Nie wybrano plików (foldery są pomijane).</translation>
    </message>
    <message>
        <source>Overwrite?</source>
        <translation>Zastąpić?</translation>
    </message>
    <message>
        <source>These files already exist locally and will be overwritten:
%1

Continue?</source>
        <translation>Te pliki już istnieją lokalnie i zostaną zastąpione:
%1

Kontynuować?</translation>
    </message>
    <message>
        <source>Downloading %1 of %2: %3</source>
        <translation>Pobieranie %1 z %2: %3</translation>
    </message>
    <message>
        <source>Downloaded: %1 — %2 remaining</source>
        <translation>Pobrano: %1 — pozostało %2</translation>
    </message>
    <message>
        <source>All downloads complete.</source>
        <translation>Wszystkie pobierania zakończone.</translation>
    </message>
    <message>
        <source>Select one or more local files to upload.</source>
        <translation>Wybierz co najmniej jeden lokalny plik do wysłania.</translation>
    </message>
    <message>
        <source>These files already exist on the remote and will be overwritten:
%1

Continue?</source>
        <translation>Te pliki już istnieją na komputerze zdalnym i zostaną zastąpione:
%1

Kontynuować?</translation>
    </message>
    <message>
        <source>Uploading %1 of %2: %3</source>
        <translation>Wysyłanie %1 z %2: %3</translation>
    </message>
    <message>
        <source>All uploads complete.</source>
        <translation>Wszystkie wysyłania zakończone.</translation>
    </message>
    <message>
        <source>Error: %1</source>
        <translation>Błąd: %1</translation>
    </message>
    <message>
        <source>Refused an unsafe name in the folder: %1</source>
        <translation>Odrzucono niebezpieczną nazwę w folderze: %1</translation>
    </message>
    <message>
        <source>Listing folder %1...</source>
        <translation>Wczytywanie folderu %1...</translation>
    </message>
    <message>
        <source>Folder too large: %1</source>
        <translation>Folder jest za duży: %1</translation>
    </message>
    <message>
        <source>Cannot write to local file: %1</source>
        <translation>Nie można zapisać pliku lokalnego: %1</translation>
    </message>
    <message>
        <source>Refused an unsafe name in the listing: %1</source>
        <translation>Odrzucono niebezpieczną nazwę na liście: %1</translation>
    </message>
    <message>
        <source>Drives</source>
        <translation>Dyski</translation>
    </message>
    <message>
        <source>File system (/)</source>
        <translation>System plików (/)</translation>
    </message>
    <message>
        <source>&lt;b&gt;Local: &lt;/b&gt;%1</source>
        <translation>&lt;b&gt;Lokalnie: &lt;/b&gt;%1</translation>
    </message>
</context>
<context>
    <name>nimbral::FileTransferService</name>
    <message>
        <source>Transfer cancelled</source>
        <translation>Przesyłanie anulowane</translation>
    </message>
    <message>
        <source>Transfer corrupted, checksum mismatch: %1</source>
        <translation>Przesyłanie uszkodzone, niezgodna suma kontrolna: %1</translation>
    </message>
    <message>
        <source>Cannot open local file: %1</source>
        <translation>Nie można otworzyć pliku lokalnego: %1</translation>
    </message>
    <message>
        <source>File too large to transfer: %1 (%2 bytes, at most %3)</source>
        <translation>Plik jest za duży do przesłania: %1 (%2 bajtów, najwyżej %3)</translation>
    </message>
    <message>
        <source>Remote file download failed</source>
        <translation>Pobieranie zdalnego pliku nie powiodło się</translation>
    </message>
    <message>
        <source>Cannot write to local file: %1</source>
        <translation>Nie można zapisać pliku lokalnego: %1</translation>
    </message>
    <message>
        <source>Refused an unsafe name in the folder: %1</source>
        <translation>Odrzucono niebezpieczną nazwę w folderze: %1</translation>
    </message>
</context>
<context>
    <name>nimbral::MainWindow</name>
    <message>
        <source>Nimbral - Remote Access</source>
        <translation>Nimbral - Zdalny dostęp</translation>
    </message>
    <message>
        <source>Server unavailable — retrying...</source>
        <translation>Serwer niedostępny — ponawianie...</translation>
    </message>
    <message>
        <source>Admin Panel</source>
        <translation>Panel administracyjny</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Ustawienia</translation>
    </message>
    <message>
        <source>YOUR ID</source>
        <translation>TWOJE ID</translation>
    </message>
    <message>
        <source>Connecting...</source>
        <translation>Łączenie...</translation>
    </message>
    <message>
        <source>Copy ID</source>
        <translation>Kopiuj ID</translation>
    </message>
    <message>
        <source>PASSWORD</source>
        <translation>HASŁO</translation>
    </message>
    <message>
        <source>Copy Password</source>
        <translation>Kopiuj hasło</translation>
    </message>
    <message>
        <source>Change Password</source>
        <translation>Zmień hasło</translation>
    </message>
    <message>
        <source>CONNECT TO PARTNER</source>
        <translation>POŁĄCZ Z PARTNEREM</translation>
    </message>
    <message>
        <source>Partner ID  (XXX XXX XXX)</source>
        <translation>ID partnera  (XXX XXX XXX)</translation>
    </message>
    <message>
        <source>Add to favorites</source>
        <translation>Dodaj do ulubionych</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Hasło</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Połącz</translation>
    </message>
    <message>
        <source>Wake-on-LAN</source>
        <translation>Wake-on-LAN</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Rozłącz</translation>
    </message>
    <message>
        <source>PAIRING CODE</source>
        <translation>KOD PAROWANIA</translation>
    </message>
    <message>
        <source>Copy Pairing Code</source>
        <translation>Kopiuj kod parowania</translation>
    </message>
    <message>
        <source>Add this device at</source>
        <translation>Dodaj to urządzenie na</translation>
    </message>
    <message>
        <source>Info  (Ctrl+Shift+I)</source>
        <translation>Informacje  (Ctrl+Shift+I)</translation>
    </message>
    <message>
        <source>Files  (Ctrl+Shift+F)</source>
        <translation>Pliki  (Ctrl+Shift+F)</translation>
    </message>
    <message>
        <source>Chat  (Ctrl+Shift+C)</source>
        <translation>Czat  (Ctrl+Shift+C)</translation>
    </message>
    <message>
        <source>Scale Mode  (Ctrl+Shift+Q)</source>
        <translation>Skalowanie  (Ctrl+Shift+Q)</translation>
    </message>
    <message>
        <source>Fit to Window</source>
        <translation>Dopasuj do okna</translation>
    </message>
    <message>
        <source>Stretch to Fill</source>
        <translation>Rozciągnij</translation>
    </message>
    <message>
        <source>Original Size</source>
        <translation>Rozmiar oryginalny</translation>
    </message>
    <message>
        <source>Switch Monitor</source>
        <translation>Przełącz monitor</translation>
    </message>
    <message>
        <source>Monitor %1</source>
        <translation>Monitor %1</translation>
    </message>
    <message>
        <source>Fullscreen  (F11)</source>
        <translation>Pełny ekran  (F11)</translation>
    </message>
    <message>
        <source>Connection: Good</source>
        <translation>Połączenie: dobre</translation>
    </message>
    <message>
        <source>Disconnect  (Ctrl+Shift+D)</source>
        <translation>Rozłącz  (Ctrl+Shift+D)</translation>
    </message>
    <message>
        <source>This display cannot show the remote screen (no OpenGL).</source>
        <translation>Ten ekran nie może wyświetlić zdalnego pulpitu (brak OpenGL).</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Błąd</translation>
    </message>
    <message>
        <source>Please enter a partner Client ID.</source>
        <translation>Podaj ID klienta partnera.</translation>
    </message>
    <message>
        <source>Partner ID must be exactly 9 digits.</source>
        <translation>ID partnera musi mieć dokładnie 9 cyfr.</translation>
    </message>
    <message>
        <source>Please enter the partner's password.</source>
        <translation>Podaj hasło partnera.</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>Gotowe</translation>
    </message>
    <message>
        <source>Ready. Your ID: %1</source>
        <translation>Gotowe. Twoje ID: %1</translation>
    </message>
    <message>
        <source>Not connected</source>
        <translation>Nie połączono</translation>
    </message>
    <message>
        <source>Disconnected</source>
        <translation>Rozłączono</translation>
    </message>
    <message>
        <source>Online (Ready)</source>
        <translation>Online (gotowe)</translation>
    </message>
    <message>
        <source>Reconnecting...</source>
        <translation>Ponowne łączenie...</translation>
    </message>
    <message>
        <source>Client %1 wants to connect.
Purpose: %2

Accept?</source>
        <translation>Klient %1 chce się połączyć.
Cel: %2

Zaakceptować?</translation>
    </message>
    <message>
        <source>remote access</source>
        <translation>zdalny dostęp</translation>
    </message>
    <message>
        <source>Incoming Connection</source>
        <translation>Połączenie przychodzące</translation>
    </message>
    <message>
        <source>Incoming connection from </source>
        <translation>Połączenie przychodzące od </translation>
    </message>
    <message>
        <source>Initiating session...</source>
        <translation>Rozpoczynanie sesji...</translation>
    </message>
    <message>
        <source>Exchanging keys...</source>
        <translation>Wymiana kluczy...</translation>
    </message>
    <message>
        <source>Establishing transport...</source>
        <translation>Nawiązywanie transportu...</translation>
    </message>
    <message>
        <source>Connected</source>
        <translation>Połączono</translation>
    </message>
    <message>
        <source>Nimbral - Connected to %1</source>
        <translation>Nimbral - Połączono z %1</translation>
    </message>
    <message>
        <source>Remote session active — sharing your screen.</source>
        <translation>Sesja zdalna aktywna — udostępniasz swój ekran.</translation>
    </message>
    <message>
        <source>Disconnecting...</source>
        <translation>Rozłączanie...</translation>
    </message>
    <message>
        <source>Session failed</source>
        <translation>Sesja nie powiodła się</translation>
    </message>
    <message>
        <source>Session failed.</source>
        <translation>Sesja nie powiodła się.</translation>
    </message>
    <message>
        <source>Session Error</source>
        <translation>Błąd sesji</translation>
    </message>
    <message>
        <source>Application minimized to system tray.</source>
        <translation>Aplikacja zminimalizowana do zasobnika systemowego.</translation>
    </message>
    <message>
        <source>Change Session Password</source>
        <translation>Zmień hasło sesji</translation>
    </message>
    <message>
        <source>New password (min 8 chars, uppercase + lowercase + digit):</source>
        <translation>Nowe hasło (min. 8 znaków, wielkie i małe litery oraz cyfra):</translation>
    </message>
    <message>
        <source>Invalid Password</source>
        <translation>Nieprawidłowe hasło</translation>
    </message>
    <message>
        <source>Wake-on-LAN packet sent to %1</source>
        <translation>Pakiet Wake-on-LAN wysłany do %1</translation>
    </message>
    <message>
        <source>Chat</source>
        <translation>Czat</translation>
    </message>
    <message>
        <source>Remote</source>
        <translation>Partner</translation>
    </message>
    <message>
        <source>Chat (!)</source>
        <translation>Czat (!)</translation>
    </message>
    <message>
        <source>Good</source>
        <translation>Dobra</translation>
    </message>
    <message>
        <source>Fair</source>
        <translation>Średnia</translation>
    </message>
    <message>
        <source>Poor</source>
        <translation>Słaba</translation>
    </message>
    <message>
        <source>%1 (%2 FPS, %3ms)</source>
        <translation>%1 (%2 FPS, %3 ms)</translation>
    </message>
    <message>
        <source>Downloading... %1%</source>
        <translation>Pobieranie... %1%</translation>
    </message>
    <message>
        <source>Update Now</source>
        <translation>Aktualizuj teraz</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>Aktualizacja</translation>
    </message>
    <message>
        <source>Update available: v%1</source>
        <translation>Dostępna aktualizacja: v%1</translation>
    </message>
    <message>
        <source>Downloading...</source>
        <translation>Pobieranie...</translation>
    </message>
    <message>
        <source>Could not start the installer.</source>
        <translation>Nie można uruchomić instalatora.</translation>
    </message>
    <message>
        <source>The connection to the server is not encrypted</source>
        <translation>Połączenie z serwerem nie jest szyfrowane</translation>
    </message>
    <message>
        <source>Client %1 wants to connect with your pairing code.

Security code: %2
Ask your partner to read out the code on their screen: accept only if it is the same.

Partner's device key: %3

Accept?</source>
        <translation>Klient %1 chce się połączyć za pomocą twojego kodu parowania.

Kod bezpieczeństwa: %2
Poproś partnera o odczytanie kodu ze swojego ekranu: akceptuj tylko, jeśli jest taki sam.

Klucz urządzenia partnera: %3

Zaakceptować?</translation>
    </message>
    <message>
        <source>Device Key Changed</source>
        <translation>Klucz urządzenia zmienił się</translation>
    </message>
    <message>
        <source>Trust the new key and connect?</source>
        <translation>Zaufać nowemu kluczowi i połączyć?</translation>
    </message>
    <message>
        <source>security code %1</source>
        <translation>kod bezpieczeństwa %1</translation>
    </message>
    <message>
        <source>Not verified</source>
        <translation>Niezweryfikowano</translation>
    </message>
    <message>
        <source>Nimbral - Connected to %1 (%2)</source>
        <translation>Nimbral - Połączono z %1 (%2)</translation>
    </message>
    <message>
        <source>Device key: %1</source>
        <translation>Klucz urządzenia: %1</translation>
    </message>
    <message>
        <source>The Wake-on-LAN packet to %1 could not be sent.</source>
        <translation>Nie udało się wysłać pakietu Wake-on-LAN do %1.</translation>
    </message>
    <message>
        <source>%1 (idle, %2ms)</source>
        <translation>%1 (bezczynne, %2 ms)</translation>
    </message>
    <message>
        <source>Sharing this screen with %1 since %2</source>
        <translation>Ten ekran jest udostępniany %1 od %2</translation>
    </message>
    <message>
        <source>Show password</source>
        <translation>Pokaż hasło</translation>
    </message>
    <message>
        <source>FAVORITES</source>
        <translation>ULUBIONE</translation>
    </message>
    <message>
        <source>Copied</source>
        <translation>Skopiowano</translation>
    </message>
    <message>
        <source>Wake-on-LAN starts the partner's computer through its network card. Enter that card's MAC address: six pairs of hexadecimal digits, such as 00:1A:2B:3C:4D:5E. On the partner's computer, "ip link" (Linux) or "getmac" (Windows) shows it.</source>
        <translation>Wake-on-LAN uruchamia komputer partnera przez jego kartę sieciową. Wpisz adres MAC tej karty: sześć par cyfr szesnastkowych, na przykład 00:1A:2B:3C:4D:5E. Na komputerze partnera pokaże go "ip link" (Linux) lub "getmac" (Windows).</translation>
    </message>
    <message>
        <source>"%1" is not a MAC address: it has six pairs of hexadecimal digits, such as 00:1A:2B:3C:4D:5E.</source>
        <translation>"%1" nie jest adresem MAC: ma on sześć par cyfr szesnastkowych, na przykład 00:1A:2B:3C:4D:5E.</translation>
    </message>
    <message>
        <source>Hide password</source>
        <translation>Ukryj hasło</translation>
    </message>
    <message>
        <source>Reconnect</source>
        <translation>Połącz ponownie</translation>
    </message>
    <message>
        <source>Connection to partner %1 lost: reconnecting (attempt %2 of %3)...</source>
        <translation>Utracono połączenie z partnerem %1: ponowne łączenie (próba %2 z %3)...</translation>
    </message>
    <message>
        <source>Session Ended</source>
        <translation>Sesja zakończona</translation>
    </message>
    <message>
        <source>Partner %1 ended the session.</source>
        <translation>Partner %1 zakończył sesję.</translation>
    </message>
    <message>
        <source>Connection Lost</source>
        <translation>Utracono połączenie</translation>
    </message>
    <message>
        <source>The connection to partner %1 was lost.</source>
        <translation>Utracono połączenie z partnerem %1.</translation>
    </message>
    <message>
        <source>The connection to partner %1 was lost, and %2 attempts to reconnect failed.</source>
        <translation>Utracono połączenie z partnerem %1, a %2 prób ponownego połączenia nie powiodło się.</translation>
    </message>
    <message>
        <source>Another session is under way.</source>
        <translation>Trwa inna sesja.</translation>
    </message>
    <message>
        <source>Monitor %1: %2 (%3 × %4)</source>
        <translation>Monitor %1: %2 (%3 × %4)</translation>
    </message>
    <message>
        <source>Monitor %1 is not available on the partner's computer.</source>
        <translation>Monitor %1 nie jest dostępny na komputerze partnera.</translation>
    </message>
    <message>
        <source>The partner's screen cannot be shown: their desktop offers no way to share it.</source>
        <translation>Nie można wyświetlić ekranu partnera: jego pulpit nie oferuje możliwości udostępniania.</translation>
    </message>
    <message>
        <source>Scale: %1</source>
        <translation>Skala: %1</translation>
    </message>
</context>
<context>
    <name>nimbral::SessionManager</name>
    <message>
        <source>Crypto error: %1</source>
        <translation>Błąd kryptograficzny: %1</translation>
    </message>
    <message>
        <source>ECDH key derivation failed</source>
        <translation>Wyprowadzenie klucza ECDH nie powiodło się</translation>
    </message>
    <message>
        <source>Cipher error: %1</source>
        <translation>Błąd szyfrowania: %1</translation>
    </message>
    <message>
        <source>Cannot initiate session: not idle</source>
        <translation>Nie można rozpocząć sesji: inna sesja trwa</translation>
    </message>
    <message>
        <source>Server returned invalid session data</source>
        <translation>Serwer zwrócił nieprawidłowe dane sesji</translation>
    </message>
    <message>
        <source>Missing target ECDH public key</source>
        <translation>Brak klucza publicznego ECDH celu</translation>
    </message>
    <message>
        <source>Cannot accept session: not idle</source>
        <translation>Nie można przyjąć sesji: inna sesja trwa</translation>
    </message>
    <message>
        <source>Transport failed: %1</source>
        <translation>Transport nie powiódł się: %1</translation>
    </message>
    <message>
        <source>Partner did not respond</source>
        <translation>Partner nie odpowiedział</translation>
    </message>
    <message>
        <source>Failed to start screen capture.</source>
        <translation>Nie można uruchomić przechwytywania ekranu.</translation>
    </message>
    <message>
        <source>Too many wrong passwords for partner %1: wait a few minutes, then try again</source>
        <translation>Zbyt wiele błędnych haseł dla partnera %1: odczekaj kilka minut i spróbuj ponownie</translation>
    </message>
    <message>
        <source>Partner %1 declined the session</source>
        <translation>Partner %1 odrzucił sesję</translation>
    </message>
    <message>
        <source>Wrong password for partner %1: check it, or ask them for the current one</source>
        <translation>Błędne hasło dla partnera %1: sprawdź je lub poproś o aktualne</translation>
    </message>
    <message>
        <source>Partner %1 is unknown: check the ID</source>
        <translation>Partner %1 jest nieznany: sprawdź ID</translation>
    </message>
    <message>
        <source>Partner %1 is offline: ask them to open Nimbral</source>
        <translation>Partner %1 jest offline: poproś go o otwarcie Nimbral</translation>
    </message>
    <message>
        <source>%1 is this device's own ID: enter the partner's ID</source>
        <translation>%1 to ID tego urządzenia: wpisz ID partnera</translation>
    </message>
    <message>
        <source>Partner %1 could not be reached: try again in a moment</source>
        <translation>Nie udało się połączyć z partnerem %1: spróbuj ponownie za chwilę</translation>
    </message>
    <message>
        <source>Partner %1 is busy with other connection requests: try again in a moment</source>
        <translation>Partner %1 obsługuje inne prośby o połączenie: spróbuj ponownie za chwilę</translation>
    </message>
    <message>
        <source>Partner %1 accepts only verified sessions</source>
        <translation>Partner %1 akceptuje tylko zweryfikowane sesje</translation>
    </message>
    <message>
        <source>Partner %1 could not check this device's key</source>
        <translation>Partner %1 nie mógł sprawdzić klucza tego urządzenia</translation>
    </message>
    <message>
        <source>Partner %1 ended the session before it started</source>
        <translation>Partner %1 zakończył sesję, zanim się rozpoczęła</translation>
    </message>
    <message>
        <source>The password exchange could not be started</source>
        <translation>Nie można rozpocząć wymiany hasła</translation>
    </message>
    <message>
        <source>Partner %1 cannot open a verified session, and this device accepts only verified sessions</source>
        <translation>Partner %1 nie może otworzyć zweryfikowanej sesji, a to urządzenie akceptuje tylko zweryfikowane sesje</translation>
    </message>
    <message>
        <source>Partner %1 verified its sessions before and now offers only an unverified one. Not connected: someone may be posing as it.</source>
        <translation>Partner %1 wcześniej weryfikował swoje sesje, a teraz oferuje tylko niezweryfikowaną. Nie połączono: ktoś może się pod niego podszywać.</translation>
    </message>
    <message>
        <source>Partner %1 did not prove its device key. Not connected.</source>
        <translation>Partner %1 nie potwierdził klucza swojego urządzenia. Nie połączono.</translation>
    </message>
    <message>
        <source>The device key of partner %1 has changed.

Before: %2
Now: %3

If the partner's device was set up again, you can trust the new key; otherwise someone may be posing as it. Not connected.</source>
        <translation>Klucz urządzenia partnera %1 zmienił się.

Poprzednio: %2
Teraz: %3

Jeśli urządzenie partnera zostało skonfigurowane od nowa, możesz zaufać nowemu kluczowi; w przeciwnym razie ktoś może się pod niego podszywać. Nie połączono.</translation>
    </message>
</context>
<context>
    <name>nimbral::SessionNotice</name>
    <message>
        <source>Partner %1 sees and controls this screen</source>
        <translation>Partner %1 widzi ten ekran i nim steruje</translation>
    </message>
    <message>
        <source>End session</source>
        <translation>Zakończ sesję</translation>
    </message>
    <message>
        <source>Looking at files in %1</source>
        <translation>Przegląda pliki w %1</translation>
    </message>
    <message>
        <source>Copying %1 from this computer</source>
        <translation>Kopiuje %1 z tego komputera</translation>
    </message>
    <message>
        <source>Copying %1 to this computer</source>
        <translation>Kopiuje %1 na ten komputer</translation>
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
        <translation>, główny</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Ustawienia</translation>
    </message>
    <message>
        <source>Display</source>
        <translation>Wyświetlanie</translation>
    </message>
    <message>
        <source>Network</source>
        <translation>Sieć</translation>
    </message>
    <message>
        <source>Advanced</source>
        <translation>Zaawansowane</translation>
    </message>
    <message>
        <source>System default</source>
        <translation>Domyślny systemowy</translation>
    </message>
    <message>
        <source>Application language. Requires restart to take effect.</source>
        <translation>Język aplikacji. Zmiana wymaga ponownego uruchomienia.</translation>
    </message>
    <message>
        <source>Language:</source>
        <translation>Język:</translation>
    </message>
    <message>
        <source>Optimize Quality</source>
        <translation>Priorytet jakości</translation>
    </message>
    <message>
        <source>Optimize Speed</source>
        <translation>Priorytet szybkości</translation>
    </message>
    <message>
        <source>Quality: 24 fps, sharp image, higher bandwidth.
Speed: 10 fps, lower bandwidth and CPU usage.</source>
        <translation>Jakość: 24 kl./s, ostry obraz, większa przepustowość.
Szybkość: 10 kl./s, mniejsza przepustowość i obciążenie CPU.</translation>
    </message>
    <message>
        <source>Display mode:</source>
        <translation>Tryb wyświetlania:</translation>
    </message>
    <message>
        <source>Select which monitor to share when someone connects to this device.</source>
        <translation>Wybierz monitor udostępniany, gdy ktoś połączy się z tym urządzeniem.</translation>
    </message>
    <message>
        <source>Capture monitor:</source>
        <translation>Przechwytywany monitor:</translation>
    </message>
    <message>
        <source>Enable clipboard sharing</source>
        <translation>Włącz udostępnianie schowka</translation>
    </message>
    <message>
        <source>Synchronise clipboard content between the local and remote machines.</source>
        <translation>Synchronizuj zawartość schowka między komputerem lokalnym i zdalnym.</translation>
    </message>
    <message>
        <source>Auto-reconnect on disconnect</source>
        <translation>Automatycznie łącz ponownie po rozłączeniu</translation>
    </message>
    <message>
        <source>Automatically attempt to re-establish the connection after an unexpected disconnect.</source>
        <translation>Po nieoczekiwanym rozłączeniu automatycznie próbuj przywrócić połączenie.</translation>
    </message>
    <message>
        <source>Maximum number of consecutive reconnection attempts before giving up.</source>
        <translation>Największa liczba kolejnych prób ponownego połączenia przed rezygnacją.</translation>
    </message>
    <message>
        <source>Max reconnect attempts:</source>
        <translation>Maks. prób połączenia:</translation>
    </message>
    <message>
        <source>Start when I log in</source>
        <translation>Uruchamiaj po zalogowaniu</translation>
    </message>
    <message>
        <source>Automatically start Nimbral when you log in to your desktop session.</source>
        <translation>Automatycznie uruchamiaj Nimbral po zalogowaniu do sesji pulpitu.</translation>
    </message>
    <message>
        <source>Run as system service (unattended)</source>
        <translation>Uruchamiaj jako usługę systemową (bez nadzoru)</translation>
    </message>
    <message>
        <source>Install NimbralService as a systemd service that runs at boot,
even when no user is logged in. Requires administrator privileges.</source>
        <translation>Zainstaluj NimbralService jako usługę systemd działającą od startu systemu,
nawet gdy nikt nie jest zalogowany. Wymaga uprawnień administratora.</translation>
    </message>
    <message>
        <source>Minimize to tray on close</source>
        <translation>Minimalizuj do zasobnika przy zamykaniu</translation>
    </message>
    <message>
        <source>Keep the application running in the system tray when the window is closed.</source>
        <translation>Po zamknięciu okna aplikacja nadal działa w zasobniku systemowym.</translation>
    </message>
    <message>
        <source>Language Changed</source>
        <translation>Zmieniono język</translation>
    </message>
    <message>
        <source>Accept only verified sessions</source>
        <translation>Akceptuj tylko zweryfikowane sesje</translation>
    </message>
    <message>
        <source>Refuse partners that cannot prove the password to this device themselves (older versions). The password and the pairing code then never leave this device.</source>
        <translation>Odrzucaj partnerów, którzy nie mogą sami udowodnić hasła temu urządzeniu (starsze wersje). Hasło i kod parowania nigdy wtedy nie opuszczają tego urządzenia.</translation>
    </message>
    <message>
        <source>Restart now</source>
        <translation>Uruchom ponownie teraz</translation>
    </message>
    <message>
        <source>Later</source>
        <translation>Później</translation>
    </message>
    <message>
        <source>The new language takes effect when Nimbral starts again.</source>
        <translation>Nowy język zostanie użyty po ponownym uruchomieniu Nimbral.</translation>
    </message>
</context>
<context>
    <name>nimbral::SystemTrayIcon</name>
    <message>
        <source>Show</source>
        <translation>Pokaż</translation>
    </message>
    <message>
        <source>Status: Disconnected</source>
        <translation>Stan: Rozłączono</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Rozłącz</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Zakończ</translation>
    </message>
    <message>
        <source>Nimbral - Remote Access</source>
        <translation>Nimbral - Zdalny dostęp</translation>
    </message>
    <message>
        <source>Incoming Connection</source>
        <translation>Połączenie przychodzące</translation>
    </message>
    <message>
        <source>Client %1 is requesting a remote connection.</source>
        <translation>Klient %1 prosi o połączenie zdalne.</translation>
    </message>
</context>
<context>
    <name>nimbral::UpdateService</name>
    <message>
        <source>The update address is not secure — update aborted.</source>
        <translation>Adres aktualizacji nie jest bezpieczny — aktualizacja przerwana.</translation>
    </message>
    <message>
        <source>Downloaded file is too small — update aborted.</source>
        <translation>Pobrany plik jest za mały — aktualizacja przerwana.</translation>
    </message>
    <message>
        <source>Downloaded file does not match its checksum — update aborted.</source>
        <translation>Pobrany plik nie zgadza się z sumą kontrolną — aktualizacja przerwana.</translation>
    </message>
    <message>
        <source>Cannot write to temp directory.</source>
        <translation>Nie można zapisać w katalogu tymczasowym.</translation>
    </message>
    <message>
        <source>Failed to extract installer from zip.</source>
        <translation>Nie udało się wypakować instalatora z archiwum zip.</translation>
    </message>
    <message>
        <source>The update is not from a verified release — update aborted.</source>
        <translation>Aktualizacja nie pochodzi ze zweryfikowanego wydania — aktualizacja przerwana.</translation>
    </message>
</context>
</TS>
