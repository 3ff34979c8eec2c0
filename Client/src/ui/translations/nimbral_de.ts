<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de" sourcelanguage="en">
<context>
    <name>nimbral::AuthController</name>
    <message>
        <source>Password must be at least 8 characters.</source>
        <translation>Das Passwort muss mindestens 8 Zeichen lang sein.</translation>
    </message>
    <message>
        <source>Password must be at most 256 characters.</source>
        <translation>Das Passwort darf höchstens 256 Zeichen lang sein.</translation>
    </message>
    <message>
        <source>Password must contain at least one lowercase letter.</source>
        <translation>Das Passwort muss mindestens einen Kleinbuchstaben enthalten.</translation>
    </message>
    <message>
        <source>Password must contain at least one uppercase letter.</source>
        <translation>Das Passwort muss mindestens einen Großbuchstaben enthalten.</translation>
    </message>
    <message>
        <source>Password must contain at least one digit.</source>
        <translation>Das Passwort muss mindestens eine Ziffer enthalten.</translation>
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
        <translation>Nachricht eingeben…</translation>
    </message>
    <message>
        <source>Send</source>
        <translation>Senden</translation>
    </message>
    <message>
        <source>Me</source>
        <translation>Ich</translation>
    </message>
</context>
<context>
    <name>nimbral::ConnectionDialog</name>
    <message>
        <source>Nimbral - Connect</source>
        <translation>Nimbral - Verbinden</translation>
    </message>
    <message>
        <source>Server:</source>
        <translation>Server:</translation>
    </message>
    <message>
        <source>Username</source>
        <translation>Benutzername</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Passwort</translation>
    </message>
    <message>
        <source>Login</source>
        <translation>Anmelden</translation>
    </message>
    <message>
        <source>Username:</source>
        <translation>Benutzername:</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>Passwort:</translation>
    </message>
    <message>
        <source>Password (min 8 chars)</source>
        <translation>Passwort (mind. 8 Zeichen)</translation>
    </message>
    <message>
        <source>My PC</source>
        <translation>Mein PC</translation>
    </message>
    <message>
        <source>Register</source>
        <translation>Registrieren</translation>
    </message>
    <message>
        <source>Client Name:</source>
        <translation>Clientname:</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Please fill in all fields.</source>
        <translation>Bitte füllen Sie alle Felder aus.</translation>
    </message>
    <message>
        <source>Please fill in username and password.</source>
        <translation>Bitte geben Sie Benutzername und Passwort ein.</translation>
    </message>
    <message>
        <source>Password must be at least 8 characters.</source>
        <translation>Das Passwort muss mindestens 8 Zeichen lang sein.</translation>
    </message>
</context>
<context>
    <name>nimbral::ConnectionInfoDialog</name>
    <message>
        <source>Connection Information</source>
        <translation>Verbindungsinformationen</translation>
    </message>
    <message>
        <source>Session</source>
        <translation>Sitzung</translation>
    </message>
    <message>
        <source>Session ID:</source>
        <translation>Sitzungs-ID:</translation>
    </message>
    <message>
        <source>Remote ID:</source>
        <translation>Entfernte ID:</translation>
    </message>
    <message>
        <source>Role:</source>
        <translation>Rolle:</translation>
    </message>
    <message>
        <source>Master (Viewer)</source>
        <translation>Master (Betrachter)</translation>
    </message>
    <message>
        <source>Target (Sharing)</source>
        <translation>Ziel (Freigabe)</translation>
    </message>
    <message>
        <source>Transport:</source>
        <translation>Übertragung:</translation>
    </message>
    <message>
        <source>Connection Quality</source>
        <translation>Verbindungsqualität</translation>
    </message>
    <message>
        <source>FPS:</source>
        <translation>FPS:</translation>
    </message>
    <message>
        <source>Latency:</source>
        <translation>Latenz:</translation>
    </message>
    <message>
        <source>Bandwidth:</source>
        <translation>Bandbreite:</translation>
    </message>
    <message>
        <source>Sent:</source>
        <translation>Gesendet:</translation>
    </message>
    <message>
        <source>Received:</source>
        <translation>Empfangen:</translation>
    </message>
    <message>
        <source>Dropped Frames:</source>
        <translation>Verworfene Bilder:</translation>
    </message>
    <message>
        <source>Uptime:</source>
        <translation>Laufzeit:</translation>
    </message>
    <message>
        <source>Verification</source>
        <translation>Verifizierung</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Status:</translation>
    </message>
    <message>
        <source>Verified</source>
        <translation>Verifiziert</translation>
    </message>
    <message>
        <source>Not verified</source>
        <translation>Nicht verifiziert</translation>
    </message>
    <message>
        <source>Security code:</source>
        <translation>Sicherheitscode:</translation>
    </message>
    <message>
        <source>Partner's device key:</source>
        <translation>Geräteschlüssel des Partners:</translation>
    </message>
    <message>
        <source>This device's key:</source>
        <translation>Schlüssel dieses Geräts:</translation>
    </message>
</context>
<context>
    <name>nimbral::FileManagerDialog</name>
    <message>
        <source>%v of %m files</source>
        <translation>%v von %m Dateien</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>%1/s, %2 left</source>
        <translation>%1/s, noch %2</translation>
    </message>
    <message>
        <source>Transfer cancelled</source>
        <translation>Übertragung abgebrochen</translation>
    </message>
    <message>
        <source>File Manager</source>
        <translation>Dateimanager</translation>
    </message>
    <message>
        <source>&lt;b&gt;Remote Computer&lt;/b&gt;</source>
        <translation>&lt;b&gt;Entfernter Computer&lt;/b&gt;</translation>
    </message>
    <message>
        <source>Go up one directory</source>
        <translation>Eine Ebene nach oben</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Typ</translation>
    </message>
    <message>
        <source>Download selected remote file to local</source>
        <translation>Ausgewählte entfernte Datei auf diesen Computer herunterladen</translation>
    </message>
    <message>
        <source>Upload selected local file to remote</source>
        <translation>Ausgewählte lokale Datei auf den entfernten Computer hochladen</translation>
    </message>
    <message>
        <source>&lt;b&gt;Local Computer&lt;/b&gt;</source>
        <translation>&lt;b&gt;Lokaler Computer&lt;/b&gt;</translation>
    </message>
    <message>
        <source>&lt;b&gt;Remote: &lt;/b&gt;%1</source>
        <translation>&lt;b&gt;Entfernt: &lt;/b&gt;%1</translation>
    </message>
    <message>
        <source>Loading remote directory...</source>
        <translation>Entferntes Verzeichnis wird geladen...</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Ordner</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>%1 items</source>
        <translation>%1 Einträge</translation>
    </message>
    <message>
        <source>Select one or more remote files to download.</source>
        <translation>Wählen Sie eine oder mehrere entfernte Dateien zum Herunterladen aus.</translation>
    </message>
    <message>
        <source>No files selected (folders are skipped).</source>
        <translation>Keine Dateien ausgewählt (Ordner werden übersprungen).</translation>
    </message>
    <message>
        <source>Overwrite?</source>
        <translation>Überschreiben?</translation>
    </message>
    <message>
        <source>These files already exist locally and will be overwritten:
%1

Continue?</source>
        <translation>Diese Dateien existieren bereits lokal und werden überschrieben:
%1

Fortfahren?</translation>
    </message>
    <message>
        <source>Downloading %1 of %2: %3</source>
        <translation>Lade %1 von %2 herunter: %3</translation>
    </message>
    <message>
        <source>Downloaded: %1 — %2 remaining</source>
        <translation>Heruntergeladen: %1 — noch %2</translation>
    </message>
    <message>
        <source>All downloads complete.</source>
        <translation>Alle Downloads abgeschlossen.</translation>
    </message>
    <message>
        <source>Select one or more local files to upload.</source>
        <translation>Wählen Sie eine oder mehrere lokale Dateien zum Hochladen aus.</translation>
    </message>
    <message>
        <source>These files already exist on the remote and will be overwritten:
%1

Continue?</source>
        <translation>Diese Dateien existieren bereits auf dem entfernten Computer und werden überschrieben:
%1

Fortfahren?</translation>
    </message>
    <message>
        <source>Uploading %1 of %2: %3</source>
        <translation>Lade %1 von %2 hoch: %3</translation>
    </message>
    <message>
        <source>All uploads complete.</source>
        <translation>Alle Uploads abgeschlossen.</translation>
    </message>
    <message>
        <source>Error: %1</source>
        <translation>Fehler: %1</translation>
    </message>
    <message>
        <source>Refused an unsafe name in the folder: %1</source>
        <translation>Unsicherer Name im Ordner abgelehnt: %1</translation>
    </message>
    <message>
        <source>Listing folder %1...</source>
        <translation>Ordner %1 wird aufgelistet...</translation>
    </message>
    <message>
        <source>Folder too large: %1</source>
        <translation>Ordner zu groß: %1</translation>
    </message>
    <message>
        <source>Cannot write to local file: %1</source>
        <translation>Lokale Datei kann nicht geschrieben werden: %1</translation>
    </message>
    <message>
        <source>Refused an unsafe name in the listing: %1</source>
        <translation>Unsicherer Name in der Auflistung abgelehnt: %1</translation>
    </message>
    <message>
        <source>Drives</source>
        <translation>Laufwerke</translation>
    </message>
    <message>
        <source>File system (/)</source>
        <translation>Dateisystem (/)</translation>
    </message>
    <message>
        <source>&lt;b&gt;Local: &lt;/b&gt;%1</source>
        <translation>&lt;b&gt;Lokal: &lt;/b&gt;%1</translation>
    </message>
</context>
<context>
    <name>nimbral::FileTransferService</name>
    <message>
        <source>Transfer cancelled</source>
        <translation>Übertragung abgebrochen</translation>
    </message>
    <message>
        <source>Transfer corrupted, checksum mismatch: %1</source>
        <translation>Übertragung beschädigt, Prüfsumme stimmt nicht: %1</translation>
    </message>
    <message>
        <source>Cannot open local file: %1</source>
        <translation>Lokale Datei kann nicht geöffnet werden: %1</translation>
    </message>
    <message>
        <source>File too large to transfer: %1 (%2 bytes, at most %3)</source>
        <translation>Datei zu groß für die Übertragung: %1 (%2 Bytes, höchstens %3)</translation>
    </message>
    <message>
        <source>Remote file download failed</source>
        <translation>Herunterladen der entfernten Datei fehlgeschlagen</translation>
    </message>
    <message>
        <source>Cannot write to local file: %1</source>
        <translation>Lokale Datei kann nicht geschrieben werden: %1</translation>
    </message>
    <message>
        <source>Refused an unsafe name in the folder: %1</source>
        <translation>Unsicherer Name im Ordner abgelehnt: %1</translation>
    </message>
</context>
<context>
    <name>nimbral::MainWindow</name>
    <message>
        <source>Nimbral - Remote Access</source>
        <translation>Nimbral - Fernzugriff</translation>
    </message>
    <message>
        <source>Server unavailable — retrying...</source>
        <translation>Server nicht erreichbar — neuer Versuch...</translation>
    </message>
    <message>
        <source>Admin Panel</source>
        <translation>Verwaltungsportal</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>YOUR ID</source>
        <translation>IHRE ID</translation>
    </message>
    <message>
        <source>Connecting...</source>
        <translation>Verbinde...</translation>
    </message>
    <message>
        <source>Copy ID</source>
        <translation>ID kopieren</translation>
    </message>
    <message>
        <source>PASSWORD</source>
        <translation>PASSWORT</translation>
    </message>
    <message>
        <source>Copy Password</source>
        <translation>Passwort kopieren</translation>
    </message>
    <message>
        <source>Change Password</source>
        <translation>Passwort ändern</translation>
    </message>
    <message>
        <source>CONNECT TO PARTNER</source>
        <translation>MIT PARTNER VERBINDEN</translation>
    </message>
    <message>
        <source>Partner ID  (XXX XXX XXX)</source>
        <translation>Partner-ID  (XXX XXX XXX)</translation>
    </message>
    <message>
        <source>Add to favorites</source>
        <translation>Zu Favoriten hinzufügen</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Passwort</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Verbinden</translation>
    </message>
    <message>
        <source>Wake-on-LAN</source>
        <translation>Wake-on-LAN</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Trennen</translation>
    </message>
    <message>
        <source>PAIRING CODE</source>
        <translation>KOPPLUNGSCODE</translation>
    </message>
    <message>
        <source>Copy Pairing Code</source>
        <translation>Kopplungscode kopieren</translation>
    </message>
    <message>
        <source>Add this device at</source>
        <translation>Fügen Sie dieses Gerät hinzu unter</translation>
    </message>
    <message>
        <source>Info  (Ctrl+Shift+I)</source>
        <translation>Info  (Strg+Umschalt+I)</translation>
    </message>
    <message>
        <source>Files  (Ctrl+Shift+F)</source>
        <translation>Dateien  (Strg+Umschalt+F)</translation>
    </message>
    <message>
        <source>Chat  (Ctrl+Shift+C)</source>
        <translation>Chat  (Strg+Umschalt+C)</translation>
    </message>
    <message>
        <source>Scale Mode  (Ctrl+Shift+Q)</source>
        <translation>Skalierung  (Strg+Umschalt+Q)</translation>
    </message>
    <message>
        <source>Fit to Window</source>
        <translation>An Fenster anpassen</translation>
    </message>
    <message>
        <source>Stretch to Fill</source>
        <translation>Strecken</translation>
    </message>
    <message>
        <source>Original Size</source>
        <translation>Originalgröße</translation>
    </message>
    <message>
        <source>Switch Monitor</source>
        <translation>Monitor wechseln</translation>
    </message>
    <message>
        <source>Monitor %1</source>
        <translation>Monitor %1</translation>
    </message>
    <message>
        <source>Fullscreen  (F11)</source>
        <translation>Vollbild  (F11)</translation>
    </message>
    <message>
        <source>Connection: Good</source>
        <translation>Verbindung: Gut</translation>
    </message>
    <message>
        <source>Disconnect  (Ctrl+Shift+D)</source>
        <translation>Trennen  (Strg+Umschalt+D)</translation>
    </message>
    <message>
        <source>This display cannot show the remote screen (no OpenGL).</source>
        <translation>Diese Anzeige kann den entfernten Bildschirm nicht darstellen (kein OpenGL).</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Please enter a partner Client ID.</source>
        <translation>Bitte geben Sie die Client-ID des Partners ein.</translation>
    </message>
    <message>
        <source>Partner ID must be exactly 9 digits.</source>
        <translation>Die Partner-ID muss genau 9 Ziffern haben.</translation>
    </message>
    <message>
        <source>Please enter the partner's password.</source>
        <translation>Bitte geben Sie das Passwort des Partners ein.</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>Bereit</translation>
    </message>
    <message>
        <source>Ready. Your ID: %1</source>
        <translation>Bereit. Ihre ID: %1</translation>
    </message>
    <message>
        <source>Not connected</source>
        <translation>Nicht verbunden</translation>
    </message>
    <message>
        <source>Disconnected</source>
        <translation>Getrennt</translation>
    </message>
    <message>
        <source>Online (Ready)</source>
        <translation>Online (bereit)</translation>
    </message>
    <message>
        <source>Reconnecting...</source>
        <translation>Verbindung wird wiederhergestellt...</translation>
    </message>
    <message>
        <source>Client %1 wants to connect.
Purpose: %2

Accept?</source>
        <translation>Client %1 möchte sich verbinden.
Zweck: %2

Annehmen?</translation>
    </message>
    <message>
        <source>remote access</source>
        <translation>Fernzugriff</translation>
    </message>
    <message>
        <source>Incoming Connection</source>
        <translation>Eingehende Verbindung</translation>
    </message>
    <message>
        <source>Incoming connection from </source>
        <translation>Eingehende Verbindung von </translation>
    </message>
    <message>
        <source>Initiating session...</source>
        <translation>Sitzung wird gestartet...</translation>
    </message>
    <message>
        <source>Exchanging keys...</source>
        <translation>Schlüssel werden ausgetauscht...</translation>
    </message>
    <message>
        <source>Establishing transport...</source>
        <translation>Übertragungsweg wird aufgebaut...</translation>
    </message>
    <message>
        <source>Connected</source>
        <translation>Verbunden</translation>
    </message>
    <message>
        <source>Nimbral - Connected to %1</source>
        <translation>Nimbral - Verbunden mit %1</translation>
    </message>
    <message>
        <source>Remote session active — sharing your screen.</source>
        <translation>Fernsitzung aktiv — Ihr Bildschirm wird geteilt.</translation>
    </message>
    <message>
        <source>Disconnecting...</source>
        <translation>Trenne...</translation>
    </message>
    <message>
        <source>Session failed</source>
        <translation>Sitzung fehlgeschlagen</translation>
    </message>
    <message>
        <source>Session failed.</source>
        <translation>Sitzung fehlgeschlagen.</translation>
    </message>
    <message>
        <source>Session Error</source>
        <translation>Sitzungsfehler</translation>
    </message>
    <message>
        <source>Application minimized to system tray.</source>
        <translation>Anwendung in den Infobereich minimiert.</translation>
    </message>
    <message>
        <source>Change Session Password</source>
        <translation>Sitzungspasswort ändern</translation>
    </message>
    <message>
        <source>New password (min 8 chars, uppercase + lowercase + digit):</source>
        <translation>Neues Passwort (mind. 8 Zeichen, Groß- und Kleinbuchstaben und Ziffer):</translation>
    </message>
    <message>
        <source>Invalid Password</source>
        <translation>Ungültiges Passwort</translation>
    </message>
    <message>
        <source>Wake-on-LAN packet sent to %1</source>
        <translation>Wake-on-LAN-Paket gesendet an %1</translation>
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
        <translation>Gut</translation>
    </message>
    <message>
        <source>Fair</source>
        <translation>Mittel</translation>
    </message>
    <message>
        <source>Poor</source>
        <translation>Schlecht</translation>
    </message>
    <message>
        <source>%1 (%2 FPS, %3ms)</source>
        <translation>%1 (%2 FPS, %3 ms)</translation>
    </message>
    <message>
        <source>Downloading... %1%</source>
        <translation>Wird heruntergeladen... %1%</translation>
    </message>
    <message>
        <source>Update Now</source>
        <translation>Jetzt aktualisieren</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>Aktualisierung</translation>
    </message>
    <message>
        <source>Update available: v%1</source>
        <translation>Aktualisierung verfügbar: v%1</translation>
    </message>
    <message>
        <source>Downloading...</source>
        <translation>Wird heruntergeladen...</translation>
    </message>
    <message>
        <source>Could not start the installer.</source>
        <translation>Das Installationsprogramm konnte nicht gestartet werden.</translation>
    </message>
    <message>
        <source>The connection to the server is not encrypted</source>
        <translation>Die Verbindung zum Server ist nicht verschlüsselt</translation>
    </message>
    <message>
        <source>Client %1 wants to connect with your pairing code.

Security code: %2
Ask your partner to read out the code on their screen: accept only if it is the same.

Partner's device key: %3

Accept?</source>
        <translation>Client %1 möchte sich mit Ihrem Kopplungscode verbinden.

Sicherheitscode: %2
Bitten Sie Ihren Partner, den Code auf seinem Bildschirm vorzulesen: Nehmen Sie nur an, wenn er gleich ist.

Geräteschlüssel des Partners: %3

Annehmen?</translation>
    </message>
    <message>
        <source>Device Key Changed</source>
        <translation>Geräteschlüssel geändert</translation>
    </message>
    <message>
        <source>Trust the new key and connect?</source>
        <translation>Dem neuen Schlüssel vertrauen und verbinden?</translation>
    </message>
    <message>
        <source>security code %1</source>
        <translation>Sicherheitscode %1</translation>
    </message>
    <message>
        <source>Not verified</source>
        <translation>Nicht verifiziert</translation>
    </message>
    <message>
        <source>Nimbral - Connected to %1 (%2)</source>
        <translation>Nimbral - Verbunden mit %1 (%2)</translation>
    </message>
    <message>
        <source>Device key: %1</source>
        <translation>Geräteschlüssel: %1</translation>
    </message>
    <message>
        <source>The Wake-on-LAN packet to %1 could not be sent.</source>
        <translation>Das Wake-on-LAN-Paket an %1 konnte nicht gesendet werden.</translation>
    </message>
    <message>
        <source>%1 (idle, %2ms)</source>
        <translation>%1 (inaktiv, %2 ms)</translation>
    </message>
    <message>
        <source>Sharing this screen with %1 since %2</source>
        <translation>Dieser Bildschirm wird seit %2 mit %1 geteilt</translation>
    </message>
    <message>
        <source>Show password</source>
        <translation>Passwort anzeigen</translation>
    </message>
    <message>
        <source>FAVORITES</source>
        <translation>FAVORITEN</translation>
    </message>
    <message>
        <source>Copied</source>
        <translation>Kopiert</translation>
    </message>
    <message>
        <source>Wake-on-LAN starts the partner's computer through its network card. Enter that card's MAC address: six pairs of hexadecimal digits, such as 00:1A:2B:3C:4D:5E. On the partner's computer, "ip link" (Linux) or "getmac" (Windows) shows it.</source>
        <translation>Wake-on-LAN startet den Computer des Partners über seine Netzwerkkarte. Geben Sie die MAC-Adresse dieser Karte ein: sechs Paare hexadezimaler Ziffern, etwa 00:1A:2B:3C:4D:5E. Auf dem Computer des Partners zeigt sie "ip link" (Linux) oder "getmac" (Windows).</translation>
    </message>
    <message>
        <source>"%1" is not a MAC address: it has six pairs of hexadecimal digits, such as 00:1A:2B:3C:4D:5E.</source>
        <translation>"%1" ist keine MAC-Adresse: Sie besteht aus sechs Paaren hexadezimaler Ziffern, etwa 00:1A:2B:3C:4D:5E.</translation>
    </message>
    <message>
        <source>Hide password</source>
        <translation>Passwort verbergen</translation>
    </message>
    <message>
        <source>Reconnect</source>
        <translation>Neu verbinden</translation>
    </message>
    <message>
        <source>Connection to partner %1 lost: reconnecting (attempt %2 of %3)...</source>
        <translation>Verbindung zu Partner %1 verloren: neuer Verbindungsversuch (%2 von %3)...</translation>
    </message>
    <message>
        <source>Session Ended</source>
        <translation>Sitzung beendet</translation>
    </message>
    <message>
        <source>Partner %1 ended the session.</source>
        <translation>Partner %1 hat die Sitzung beendet.</translation>
    </message>
    <message>
        <source>Connection Lost</source>
        <translation>Verbindung verloren</translation>
    </message>
    <message>
        <source>The connection to partner %1 was lost.</source>
        <translation>Die Verbindung zu Partner %1 ist verloren gegangen.</translation>
    </message>
    <message>
        <source>The connection to partner %1 was lost, and %2 attempts to reconnect failed.</source>
        <translation>Die Verbindung zu Partner %1 ist verloren gegangen, und %2 Versuche, sie wiederherzustellen, sind fehlgeschlagen.</translation>
    </message>
    <message>
        <source>Another session is under way.</source>
        <translation>Eine andere Sitzung läuft bereits.</translation>
    </message>
    <message>
        <source>Monitor %1: %2 (%3 × %4)</source>
        <translation>Monitor %1: %2 (%3 × %4)</translation>
    </message>
    <message>
        <source>Monitor %1 is not available on the partner's computer.</source>
        <translation>Monitor %1 ist auf dem Computer des Partners nicht verfügbar.</translation>
    </message>
    <message>
        <source>The partner's screen cannot be shown: their desktop offers no way to share it.</source>
        <translation>Der Bildschirm des Partners kann nicht angezeigt werden: Sein Desktop bietet keine Möglichkeit, ihn freizugeben.</translation>
    </message>
    <message>
        <source>Scale: %1</source>
        <translation>Skalierung: %1</translation>
    </message>
</context>
<context>
    <name>nimbral::SessionManager</name>
    <message>
        <source>Crypto error: %1</source>
        <translation>Kryptografiefehler: %1</translation>
    </message>
    <message>
        <source>ECDH key derivation failed</source>
        <translation>ECDH-Schlüsselableitung fehlgeschlagen</translation>
    </message>
    <message>
        <source>Cipher error: %1</source>
        <translation>Verschlüsselungsfehler: %1</translation>
    </message>
    <message>
        <source>Cannot initiate session: not idle</source>
        <translation>Sitzung kann nicht gestartet werden: nicht im Ruhezustand</translation>
    </message>
    <message>
        <source>Server returned invalid session data</source>
        <translation>Der Server hat ungültige Sitzungsdaten geliefert</translation>
    </message>
    <message>
        <source>Missing target ECDH public key</source>
        <translation>Öffentlicher ECDH-Schlüssel des Ziels fehlt</translation>
    </message>
    <message>
        <source>Cannot accept session: not idle</source>
        <translation>Sitzung kann nicht angenommen werden: nicht im Ruhezustand</translation>
    </message>
    <message>
        <source>Transport failed: %1</source>
        <translation>Übertragung fehlgeschlagen: %1</translation>
    </message>
    <message>
        <source>Partner did not respond</source>
        <translation>Der Partner hat nicht geantwortet</translation>
    </message>
    <message>
        <source>Failed to start screen capture.</source>
        <translation>Bildschirmaufnahme konnte nicht gestartet werden.</translation>
    </message>
    <message>
        <source>Too many wrong passwords for partner %1: wait a few minutes, then try again</source>
        <translation>Zu viele falsche Passwörter für Partner %1: Warten Sie einige Minuten und versuchen Sie es dann erneut</translation>
    </message>
    <message>
        <source>Partner %1 declined the session</source>
        <translation>Partner %1 hat die Sitzung abgelehnt</translation>
    </message>
    <message>
        <source>Wrong password for partner %1: check it, or ask them for the current one</source>
        <translation>Falsches Passwort für Partner %1: Prüfen Sie es oder fragen Sie nach dem aktuellen</translation>
    </message>
    <message>
        <source>Partner %1 is unknown: check the ID</source>
        <translation>Partner %1 ist unbekannt: Prüfen Sie die ID</translation>
    </message>
    <message>
        <source>Partner %1 is offline: ask them to open Nimbral</source>
        <translation>Partner %1 ist offline: Bitten Sie ihn, Nimbral zu öffnen</translation>
    </message>
    <message>
        <source>%1 is this device's own ID: enter the partner's ID</source>
        <translation>%1 ist die ID dieses Geräts: Geben Sie die ID des Partners ein</translation>
    </message>
    <message>
        <source>Partner %1 could not be reached: try again in a moment</source>
        <translation>Partner %1 ist nicht erreichbar: Versuchen Sie es gleich noch einmal</translation>
    </message>
    <message>
        <source>Partner %1 is busy with other connection requests: try again in a moment</source>
        <translation>Partner %1 ist mit anderen Verbindungsanfragen beschäftigt: Versuchen Sie es gleich noch einmal</translation>
    </message>
    <message>
        <source>Partner %1 accepts only verified sessions</source>
        <translation>Partner %1 akzeptiert nur verifizierte Sitzungen</translation>
    </message>
    <message>
        <source>Partner %1 could not check this device's key</source>
        <translation>Partner %1 konnte den Schlüssel dieses Geräts nicht prüfen</translation>
    </message>
    <message>
        <source>Partner %1 ended the session before it started</source>
        <translation>Partner %1 hat die Sitzung beendet, bevor sie begann</translation>
    </message>
    <message>
        <source>The password exchange could not be started</source>
        <translation>Der Passwortaustausch konnte nicht gestartet werden</translation>
    </message>
    <message>
        <source>Partner %1 cannot open a verified session, and this device accepts only verified sessions</source>
        <translation>Partner %1 kann keine verifizierte Sitzung öffnen, und dieses Gerät akzeptiert nur verifizierte Sitzungen</translation>
    </message>
    <message>
        <source>Partner %1 verified its sessions before and now offers only an unverified one. Not connected: someone may be posing as it.</source>
        <translation>Partner %1 hat seine Sitzungen bisher verifiziert und bietet jetzt nur eine unverifizierte an. Nicht verbunden: Jemand gibt sich möglicherweise als dieser Partner aus.</translation>
    </message>
    <message>
        <source>Partner %1 did not prove its device key. Not connected.</source>
        <translation>Partner %1 hat seinen Geräteschlüssel nicht nachgewiesen. Nicht verbunden.</translation>
    </message>
    <message>
        <source>The device key of partner %1 has changed.

Before: %2
Now: %3

If the partner's device was set up again, you can trust the new key; otherwise someone may be posing as it. Not connected.</source>
        <translation>Der Geräteschlüssel von Partner %1 hat sich geändert.

Vorher: %2
Jetzt: %3

Wenn das Gerät des Partners neu eingerichtet wurde, können Sie dem neuen Schlüssel vertrauen; andernfalls gibt sich möglicherweise jemand als dieser Partner aus. Nicht verbunden.</translation>
    </message>
</context>
<context>
    <name>nimbral::SessionNotice</name>
    <message>
        <source>Partner %1 sees and controls this screen</source>
        <translation>Partner %1 sieht und steuert diesen Bildschirm</translation>
    </message>
    <message>
        <source>End session</source>
        <translation>Sitzung beenden</translation>
    </message>
    <message>
        <source>Looking at files in %1</source>
        <translation>Sieht Dateien in %1 an</translation>
    </message>
    <message>
        <source>Copying %1 from this computer</source>
        <translation>Kopiert %1 von diesem Computer</translation>
    </message>
    <message>
        <source>Copying %1 to this computer</source>
        <translation>Kopiert %1 auf diesen Computer</translation>
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
        <translation>, primär</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Display</source>
        <translation>Anzeige</translation>
    </message>
    <message>
        <source>Network</source>
        <translation>Netzwerk</translation>
    </message>
    <message>
        <source>Advanced</source>
        <translation>Erweitert</translation>
    </message>
    <message>
        <source>System default</source>
        <translation>Systemstandard</translation>
    </message>
    <message>
        <source>Application language. Requires restart to take effect.</source>
        <translation>Sprache der Anwendung. Wird nach einem Neustart wirksam.</translation>
    </message>
    <message>
        <source>Language:</source>
        <translation>Sprache:</translation>
    </message>
    <message>
        <source>Optimize Quality</source>
        <translation>Qualität bevorzugen</translation>
    </message>
    <message>
        <source>Optimize Speed</source>
        <translation>Geschwindigkeit bevorzugen</translation>
    </message>
    <message>
        <source>Quality: 24 fps, sharp image, higher bandwidth.
Speed: 10 fps, lower bandwidth and CPU usage.</source>
        <translation>Qualität: 24 fps, scharfes Bild, höhere Bandbreite.
Geschwindigkeit: 10 fps, weniger Bandbreite und CPU-Last.</translation>
    </message>
    <message>
        <source>Display mode:</source>
        <translation>Anzeigemodus:</translation>
    </message>
    <message>
        <source>Select which monitor to share when someone connects to this device.</source>
        <translation>Wählen Sie, welcher Monitor geteilt wird, wenn sich jemand mit diesem Gerät verbindet.</translation>
    </message>
    <message>
        <source>Capture monitor:</source>
        <translation>Aufgenommener Monitor:</translation>
    </message>
    <message>
        <source>Enable clipboard sharing</source>
        <translation>Zwischenablage teilen</translation>
    </message>
    <message>
        <source>Synchronise clipboard content between the local and remote machines.</source>
        <translation>Inhalt der Zwischenablage zwischen lokalem und entferntem Computer abgleichen.</translation>
    </message>
    <message>
        <source>Auto-reconnect on disconnect</source>
        <translation>Nach Verbindungsabbruch automatisch neu verbinden</translation>
    </message>
    <message>
        <source>Automatically attempt to re-establish the connection after an unexpected disconnect.</source>
        <translation>Nach einer unerwarteten Trennung automatisch versuchen, die Verbindung wiederherzustellen.</translation>
    </message>
    <message>
        <source>Maximum number of consecutive reconnection attempts before giving up.</source>
        <translation>Höchstzahl aufeinanderfolgender Wiederverbindungsversuche, bevor aufgegeben wird.</translation>
    </message>
    <message>
        <source>Max reconnect attempts:</source>
        <translation>Max. Wiederverbindungsversuche:</translation>
    </message>
    <message>
        <source>Start when I log in</source>
        <translation>Beim Anmelden starten</translation>
    </message>
    <message>
        <source>Automatically start Nimbral when you log in to your desktop session.</source>
        <translation>Nimbral automatisch starten, wenn Sie sich an Ihrer Desktop-Sitzung anmelden.</translation>
    </message>
    <message>
        <source>Run as system service (unattended)</source>
        <translation>Als Systemdienst ausführen (unbeaufsichtigt)</translation>
    </message>
    <message>
        <source>Install NimbralService as a systemd service that runs at boot,
even when no user is logged in. Requires administrator privileges.</source>
        <translation>NimbralService als systemd-Dienst installieren, der beim Systemstart läuft,
auch wenn niemand angemeldet ist. Erfordert Administratorrechte.</translation>
    </message>
    <message>
        <source>Minimize to tray on close</source>
        <translation>Beim Schließen in den Infobereich minimieren</translation>
    </message>
    <message>
        <source>Keep the application running in the system tray when the window is closed.</source>
        <translation>Die Anwendung läuft im Infobereich weiter, wenn das Fenster geschlossen wird.</translation>
    </message>
    <message>
        <source>Language Changed</source>
        <translation>Sprache geändert</translation>
    </message>
    <message>
        <source>Accept only verified sessions</source>
        <translation>Nur verifizierte Sitzungen annehmen</translation>
    </message>
    <message>
        <source>Refuse partners that cannot prove the password to this device themselves (older versions). The password and the pairing code then never leave this device.</source>
        <translation>Partner ablehnen, die diesem Gerät das Passwort nicht selbst nachweisen können (ältere Versionen). Passwort und Kopplungscode verlassen dieses Gerät dann nie.</translation>
    </message>
    <message>
        <source>Restart now</source>
        <translation>Jetzt neu starten</translation>
    </message>
    <message>
        <source>Later</source>
        <translation>Später</translation>
    </message>
    <message>
        <source>The new language takes effect when Nimbral starts again.</source>
        <translation>Die neue Sprache gilt, sobald Nimbral neu gestartet wird.</translation>
    </message>
</context>
<context>
    <name>nimbral::SystemTrayIcon</name>
    <message>
        <source>Show</source>
        <translation>Anzeigen</translation>
    </message>
    <message>
        <source>Status: Disconnected</source>
        <translation>Status: Getrennt</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Trennen</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Nimbral - Remote Access</source>
        <translation>Nimbral - Fernzugriff</translation>
    </message>
    <message>
        <source>Incoming Connection</source>
        <translation>Eingehende Verbindung</translation>
    </message>
    <message>
        <source>Client %1 is requesting a remote connection.</source>
        <translation>Client %1 fordert eine Fernverbindung an.</translation>
    </message>
</context>
<context>
    <name>nimbral::UpdateService</name>
    <message>
        <source>The update address is not secure — update aborted.</source>
        <translation>Die Aktualisierungsadresse ist nicht sicher — Aktualisierung abgebrochen.</translation>
    </message>
    <message>
        <source>Downloaded file is too small — update aborted.</source>
        <translation>Die heruntergeladene Datei ist zu klein — Aktualisierung abgebrochen.</translation>
    </message>
    <message>
        <source>Downloaded file does not match its checksum — update aborted.</source>
        <translation>Die heruntergeladene Datei stimmt nicht mit ihrer Prüfsumme überein — Aktualisierung abgebrochen.</translation>
    </message>
    <message>
        <source>Cannot write to temp directory.</source>
        <translation>In das temporäre Verzeichnis kann nicht geschrieben werden.</translation>
    </message>
    <message>
        <source>Failed to extract installer from zip.</source>
        <translation>Das Installationsprogramm konnte nicht aus dem Zip-Archiv entpackt werden.</translation>
    </message>
    <message>
        <source>The update is not from a verified release — update aborted.</source>
        <translation>Die Aktualisierung stammt nicht aus einer geprüften Version — Aktualisierung abgebrochen.</translation>
    </message>
</context>
</TS>
