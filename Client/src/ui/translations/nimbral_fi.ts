<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fi" sourcelanguage="en">
<context>
    <name>nimbral::AuthController</name>
    <message>
        <source>Password must be at least 8 characters.</source>
        <translation>Salasanassa on oltava vähintään 8 merkkiä.</translation>
    </message>
    <message>
        <source>Password must be at most 256 characters.</source>
        <translation>Salasanassa saa olla enintään 256 merkkiä.</translation>
    </message>
    <message>
        <source>Password must contain at least one lowercase letter.</source>
        <translation>Salasanassa on oltava vähintään yksi pieni kirjain.</translation>
    </message>
    <message>
        <source>Password must contain at least one uppercase letter.</source>
        <translation>Salasanassa on oltava vähintään yksi iso kirjain.</translation>
    </message>
    <message>
        <source>Password must contain at least one digit.</source>
        <translation>Salasanassa on oltava vähintään yksi numero.</translation>
    </message>
</context>
<context>
    <name>nimbral::ChatDialog</name>
    <message>
        <source>Chat</source>
        <translation>Keskustelu</translation>
    </message>
    <message>
        <source>Type a message…</source>
        <translation>Kirjoita viesti…</translation>
    </message>
    <message>
        <source>Send</source>
        <translation>Lähetä</translation>
    </message>
    <message>
        <source>Me</source>
        <translation>Minä</translation>
    </message>
</context>
<context>
    <name>nimbral::ConnectionDialog</name>
    <message>
        <source>Nimbral - Connect</source>
        <translation>Nimbral - Yhdistä</translation>
    </message>
    <message>
        <source>Server:</source>
        <translation>Palvelin:</translation>
    </message>
    <message>
        <source>Username</source>
        <translation>Käyttäjätunnus</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Salasana</translation>
    </message>
    <message>
        <source>Login</source>
        <translation>Kirjaudu</translation>
    </message>
    <message>
        <source>Username:</source>
        <translation>Käyttäjätunnus:</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>Salasana:</translation>
    </message>
    <message>
        <source>Password (min 8 chars)</source>
        <translation>Salasana (väh. 8 merkkiä)</translation>
    </message>
    <message>
        <source>My PC</source>
        <translation>Oma tietokone</translation>
    </message>
    <message>
        <source>Register</source>
        <translation>Rekisteröidy</translation>
    </message>
    <message>
        <source>Client Name:</source>
        <translation>Asiakkaan nimi:</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Virhe</translation>
    </message>
    <message>
        <source>Please fill in all fields.</source>
        <translation>Täytä kaikki kentät.</translation>
    </message>
    <message>
        <source>Please fill in username and password.</source>
        <translation>Anna käyttäjätunnus ja salasana.</translation>
    </message>
    <message>
        <source>Password must be at least 8 characters.</source>
        <translation>Salasanassa on oltava vähintään 8 merkkiä.</translation>
    </message>
</context>
<context>
    <name>nimbral::ConnectionInfoDialog</name>
    <message>
        <source>Connection Information</source>
        <translation>Yhteyden tiedot</translation>
    </message>
    <message>
        <source>Session</source>
        <translation>Istunto</translation>
    </message>
    <message>
        <source>Session ID:</source>
        <translation>Istunnon tunnus:</translation>
    </message>
    <message>
        <source>Remote ID:</source>
        <translation>Etätunnus:</translation>
    </message>
    <message>
        <source>Role:</source>
        <translation>Rooli:</translation>
    </message>
    <message>
        <source>Master (Viewer)</source>
        <translation>Master (katselija)</translation>
    </message>
    <message>
        <source>Target (Sharing)</source>
        <translation>Kohde (jakaa)</translation>
    </message>
    <message>
        <source>Transport:</source>
        <translation>Siirtotapa:</translation>
    </message>
    <message>
        <source>Connection Quality</source>
        <translation>Yhteyden laatu</translation>
    </message>
    <message>
        <source>FPS:</source>
        <translation>FPS:</translation>
    </message>
    <message>
        <source>Latency:</source>
        <translation>Viive:</translation>
    </message>
    <message>
        <source>Bandwidth:</source>
        <translation>Kaistanleveys:</translation>
    </message>
    <message>
        <source>Sent:</source>
        <translation>Lähetetty:</translation>
    </message>
    <message>
        <source>Received:</source>
        <translation>Vastaanotettu:</translation>
    </message>
    <message>
        <source>Dropped Frames:</source>
        <translation>Pudonneet kuvat:</translation>
    </message>
    <message>
        <source>Uptime:</source>
        <translation>Kesto:</translation>
    </message>
    <message>
        <source>Verification</source>
        <translation>Vahvistus</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Tila:</translation>
    </message>
    <message>
        <source>Verified</source>
        <translation>Vahvistettu</translation>
    </message>
    <message>
        <source>Not verified</source>
        <translation>Ei vahvistettu</translation>
    </message>
    <message>
        <source>Security code:</source>
        <translation>Turvakoodi:</translation>
    </message>
    <message>
        <source>Partner's device key:</source>
        <translation>Kumppanin laiteavain:</translation>
    </message>
    <message>
        <source>This device's key:</source>
        <translation>Tämän laitteen avain:</translation>
    </message>
</context>
<context>
    <name>nimbral::FileManagerDialog</name>
    <message>
        <source>%v of %m files</source>
        <translation>%v / %m tiedostoa</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Peruuta</translation>
    </message>
    <message>
        <source>%1/s, %2 left</source>
        <translation>%1/s, jäljellä %2</translation>
    </message>
    <message>
        <source>Transfer cancelled</source>
        <translation>Siirto peruttu</translation>
    </message>
    <message>
        <source>File Manager</source>
        <translation>Tiedostonhallinta</translation>
    </message>
    <message>
        <source>&lt;b&gt;Remote Computer&lt;/b&gt;</source>
        <translation>&lt;b&gt;Etätietokone&lt;/b&gt;</translation>
    </message>
    <message>
        <source>Go up one directory</source>
        <translation>Siirry ylempään kansioon</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Nimi</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Koko</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Tyyppi</translation>
    </message>
    <message>
        <source>Download selected remote file to local</source>
        <translation>Lataa valittu etätiedosto tälle tietokoneelle</translation>
    </message>
    <message>
        <source>Upload selected local file to remote</source>
        <translation>Lähetä valittu paikallinen tiedosto etätietokoneelle</translation>
    </message>
    <message>
        <source>&lt;b&gt;Local Computer&lt;/b&gt;</source>
        <translation>&lt;b&gt;Paikallinen tietokone&lt;/b&gt;</translation>
    </message>
    <message>
        <source>&lt;b&gt;Remote: &lt;/b&gt;%1</source>
        <translation>&lt;b&gt;Etä: &lt;/b&gt;%1</translation>
    </message>
    <message>
        <source>Loading remote directory...</source>
        <translation>Ladataan etäkansiota...</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Kansio</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Tiedosto</translation>
    </message>
    <message>
        <source>%1 items</source>
        <translation>%1 kohdetta</translation>
    </message>
    <message>
        <source>Select one or more remote files to download.</source>
        <translation>Valitse yksi tai useampi ladattava etätiedosto.</translation>
    </message>
    <message>
        <source>No files selected (folders are skipped).</source>
        <translation>Tiedostoja ei ole valittu (kansiot ohitetaan).</translation>
    </message>
    <message>
        <source>Overwrite?</source>
        <translation>Korvataanko?</translation>
    </message>
    <message>
        <source>These files already exist locally and will be overwritten:
%1

Continue?</source>
        <translation>Nämä tiedostot ovat jo olemassa paikallisesti, ja ne korvataan:
%1

Jatketaanko?</translation>
    </message>
    <message>
        <source>Downloading %1 of %2: %3</source>
        <translation>Ladataan %1/%2: %3</translation>
    </message>
    <message>
        <source>Downloaded: %1 — %2 remaining</source>
        <translation>Ladattu: %1 — jäljellä %2</translation>
    </message>
    <message>
        <source>All downloads complete.</source>
        <translation>Kaikki lataukset valmiit.</translation>
    </message>
    <message>
        <source>Select one or more local files to upload.</source>
        <translation>Valitse yksi tai useampi lähetettävä paikallinen tiedosto.</translation>
    </message>
    <message>
        <source>These files already exist on the remote and will be overwritten:
%1

Continue?</source>
        <translation>Nämä tiedostot ovat jo olemassa etätietokoneella, ja ne korvataan:
%1

Jatketaanko?</translation>
    </message>
    <message>
        <source>Uploading %1 of %2: %3</source>
        <translation>Lähetetään %1/%2: %3</translation>
    </message>
    <message>
        <source>All uploads complete.</source>
        <translation>Kaikki lähetykset valmiit.</translation>
    </message>
    <message>
        <source>Error: %1</source>
        <translation>Virhe: %1</translation>
    </message>
    <message>
        <source>Refused an unsafe name in the folder: %1</source>
        <translation>Vaarallinen nimi kansiossa hylättiin: %1</translation>
    </message>
    <message>
        <source>Listing folder %1...</source>
        <translation>Luetellaan kansiota %1...</translation>
    </message>
    <message>
        <source>Folder too large: %1</source>
        <translation>Kansio on liian suuri: %1</translation>
    </message>
    <message>
        <source>Cannot write to local file: %1</source>
        <translation>Paikalliseen tiedostoon ei voi kirjoittaa: %1</translation>
    </message>
    <message>
        <source>Refused an unsafe name in the listing: %1</source>
        <translation>Luettelon vaarallinen nimi hylättiin: %1</translation>
    </message>
    <message>
        <source>Drives</source>
        <translation>Asemat</translation>
    </message>
    <message>
        <source>File system (/)</source>
        <translation>Tiedostojärjestelmä (/)</translation>
    </message>
    <message>
        <source>&lt;b&gt;Local: &lt;/b&gt;%1</source>
        <translation>&lt;b&gt;Paikallinen: &lt;/b&gt;%1</translation>
    </message>
</context>
<context>
    <name>nimbral::FileTransferService</name>
    <message>
        <source>Transfer cancelled</source>
        <translation>Siirto peruttu</translation>
    </message>
    <message>
        <source>Transfer corrupted, checksum mismatch: %1</source>
        <translation>Siirto vioittui, tarkistussumma ei täsmää: %1</translation>
    </message>
    <message>
        <source>Cannot open local file: %1</source>
        <translation>Paikallista tiedostoa ei voi avata: %1</translation>
    </message>
    <message>
        <source>File too large to transfer: %1 (%2 bytes, at most %3)</source>
        <translation>Tiedosto on liian suuri siirrettäväksi: %1 (%2 tavua, enintään %3)</translation>
    </message>
    <message>
        <source>Remote file download failed</source>
        <translation>Etätiedoston lataus epäonnistui</translation>
    </message>
    <message>
        <source>Cannot write to local file: %1</source>
        <translation>Paikalliseen tiedostoon ei voi kirjoittaa: %1</translation>
    </message>
    <message>
        <source>Refused an unsafe name in the folder: %1</source>
        <translation>Vaarallinen nimi kansiossa hylättiin: %1</translation>
    </message>
</context>
<context>
    <name>nimbral::MainWindow</name>
    <message>
        <source>Nimbral - Remote Access</source>
        <translation>Nimbral - Etäkäyttö</translation>
    </message>
    <message>
        <source>Server unavailable — retrying...</source>
        <translation>Palvelin ei ole käytettävissä — yritetään uudelleen...</translation>
    </message>
    <message>
        <source>Admin Panel</source>
        <translation>Hallintapaneeli</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Asetukset</translation>
    </message>
    <message>
        <source>YOUR ID</source>
        <translation>TUNNUKSESI</translation>
    </message>
    <message>
        <source>Connecting...</source>
        <translation>Yhdistetään...</translation>
    </message>
    <message>
        <source>Copy ID</source>
        <translation>Kopioi tunnus</translation>
    </message>
    <message>
        <source>PASSWORD</source>
        <translation>SALASANA</translation>
    </message>
    <message>
        <source>Copy Password</source>
        <translation>Kopioi salasana</translation>
    </message>
    <message>
        <source>Change Password</source>
        <translation>Vaihda salasana</translation>
    </message>
    <message>
        <source>CONNECT TO PARTNER</source>
        <translation>YHDISTÄ KUMPPANIIN</translation>
    </message>
    <message>
        <source>Partner ID  (XXX XXX XXX)</source>
        <translation>Kumppanin tunnus  (XXX XXX XXX)</translation>
    </message>
    <message>
        <source>Add to favorites</source>
        <translation>Lisää suosikkeihin</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Salasana</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Yhdistä</translation>
    </message>
    <message>
        <source>Wake-on-LAN</source>
        <translation>Wake-on-LAN</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Katkaise</translation>
    </message>
    <message>
        <source>PAIRING CODE</source>
        <translation>PARITUSKOODI</translation>
    </message>
    <message>
        <source>Copy Pairing Code</source>
        <translation>Kopioi parituskoodi</translation>
    </message>
    <message>
        <source>Add this device at</source>
        <translation>Lisää tämä laite osoitteessa</translation>
    </message>
    <message>
        <source>Info  (Ctrl+Shift+I)</source>
        <translation>Tiedot  (Ctrl+Vaihto+I)</translation>
    </message>
    <message>
        <source>Files  (Ctrl+Shift+F)</source>
        <translation>Tiedostot  (Ctrl+Vaihto+F)</translation>
    </message>
    <message>
        <source>Chat  (Ctrl+Shift+C)</source>
        <translation>Keskustelu  (Ctrl+Vaihto+C)</translation>
    </message>
    <message>
        <source>Scale Mode  (Ctrl+Shift+Q)</source>
        <translation>Skaalaus  (Ctrl+Vaihto+Q)</translation>
    </message>
    <message>
        <source>Fit to Window</source>
        <translation>Sovita ikkunaan</translation>
    </message>
    <message>
        <source>Stretch to Fill</source>
        <translation>Venytä täyttämään</translation>
    </message>
    <message>
        <source>Original Size</source>
        <translation>Alkuperäinen koko</translation>
    </message>
    <message>
        <source>Switch Monitor</source>
        <translation>Vaihda näyttö</translation>
    </message>
    <message>
        <source>Monitor %1</source>
        <translation>Näyttö %1</translation>
    </message>
    <message>
        <source>Fullscreen  (F11)</source>
        <translation>Koko näyttö  (F11)</translation>
    </message>
    <message>
        <source>Connection: Good</source>
        <translation>Yhteys: hyvä</translation>
    </message>
    <message>
        <source>Disconnect  (Ctrl+Shift+D)</source>
        <translation>Katkaise  (Ctrl+Vaihto+D)</translation>
    </message>
    <message>
        <source>This display cannot show the remote screen (no OpenGL).</source>
        <translation>Tämä näyttö ei voi näyttää etänäyttöä (OpenGL puuttuu).</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Virhe</translation>
    </message>
    <message>
        <source>Please enter a partner Client ID.</source>
        <translation>Anna kumppanin asiakastunnus.</translation>
    </message>
    <message>
        <source>Partner ID must be exactly 9 digits.</source>
        <translation>Kumppanin tunnuksessa on oltava tasan 9 numeroa.</translation>
    </message>
    <message>
        <source>Please enter the partner's password.</source>
        <translation>Anna kumppanin salasana.</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>Valmis</translation>
    </message>
    <message>
        <source>Ready. Your ID: %1</source>
        <translation>Valmis. Tunnuksesi: %1</translation>
    </message>
    <message>
        <source>Not connected</source>
        <translation>Ei yhteyttä</translation>
    </message>
    <message>
        <source>Disconnected</source>
        <translation>Yhteys katkaistu</translation>
    </message>
    <message>
        <source>Online (Ready)</source>
        <translation>Verkossa (valmis)</translation>
    </message>
    <message>
        <source>Reconnecting...</source>
        <translation>Yhdistetään uudelleen...</translation>
    </message>
    <message>
        <source>Client %1 wants to connect.
Purpose: %2

Accept?</source>
        <translation>Asiakas %1 haluaa muodostaa yhteyden.
Tarkoitus: %2

Hyväksytäänkö?</translation>
    </message>
    <message>
        <source>remote access</source>
        <translation>etäkäyttö</translation>
    </message>
    <message>
        <source>Incoming Connection</source>
        <translation>Saapuva yhteys</translation>
    </message>
    <message>
        <source>Incoming connection from </source>
        <translation>Saapuva yhteys kohteesta </translation>
    </message>
    <message>
        <source>Initiating session...</source>
        <translation>Aloitetaan istuntoa...</translation>
    </message>
    <message>
        <source>Exchanging keys...</source>
        <translation>Vaihdetaan avaimia...</translation>
    </message>
    <message>
        <source>Establishing transport...</source>
        <translation>Muodostetaan siirtoyhteyttä...</translation>
    </message>
    <message>
        <source>Connected</source>
        <translation>Yhdistetty</translation>
    </message>
    <message>
        <source>Nimbral - Connected to %1</source>
        <translation>Nimbral - Yhdistetty kohteeseen %1</translation>
    </message>
    <message>
        <source>Remote session active — sharing your screen.</source>
        <translation>Etäistunto käynnissä — näyttösi on jaettu.</translation>
    </message>
    <message>
        <source>Disconnecting...</source>
        <translation>Katkaistaan...</translation>
    </message>
    <message>
        <source>Session failed</source>
        <translation>Istunto epäonnistui</translation>
    </message>
    <message>
        <source>Session failed.</source>
        <translation>Istunto epäonnistui.</translation>
    </message>
    <message>
        <source>Session Error</source>
        <translation>Istuntovirhe</translation>
    </message>
    <message>
        <source>Application minimized to system tray.</source>
        <translation>Sovellus pienennettiin ilmoitusalueelle.</translation>
    </message>
    <message>
        <source>Change Session Password</source>
        <translation>Vaihda istunnon salasana</translation>
    </message>
    <message>
        <source>New password (min 8 chars, uppercase + lowercase + digit):</source>
        <translation>Uusi salasana (väh. 8 merkkiä, iso + pieni kirjain + numero):</translation>
    </message>
    <message>
        <source>Invalid Password</source>
        <translation>Virheellinen salasana</translation>
    </message>
    <message>
        <source>Wake-on-LAN packet sent to %1</source>
        <translation>Wake-on-LAN-paketti lähetetty osoitteeseen %1</translation>
    </message>
    <message>
        <source>Chat</source>
        <translation>Keskustelu</translation>
    </message>
    <message>
        <source>Remote</source>
        <translation>Kumppani</translation>
    </message>
    <message>
        <source>Chat (!)</source>
        <translation>Keskustelu (!)</translation>
    </message>
    <message>
        <source>Good</source>
        <translation>Hyvä</translation>
    </message>
    <message>
        <source>Fair</source>
        <translation>Kohtalainen</translation>
    </message>
    <message>
        <source>Poor</source>
        <translation>Heikko</translation>
    </message>
    <message>
        <source>%1 (%2 FPS, %3ms)</source>
        <translation>%1 (%2 FPS, %3 ms)</translation>
    </message>
    <message>
        <source>Downloading... %1%</source>
        <translation>Ladataan... %1%</translation>
    </message>
    <message>
        <source>Update Now</source>
        <translation>Päivitä nyt</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>Päivitys</translation>
    </message>
    <message>
        <source>Update available: v%1</source>
        <translation>Päivitys saatavilla: v%1</translation>
    </message>
    <message>
        <source>Downloading...</source>
        <translation>Ladataan...</translation>
    </message>
    <message>
        <source>Could not start the installer.</source>
        <translation>Asennusohjelmaa ei voitu käynnistää.</translation>
    </message>
    <message>
        <source>The connection to the server is not encrypted</source>
        <translation>Yhteys palvelimeen ei ole salattu</translation>
    </message>
    <message>
        <source>Client %1 wants to connect with your pairing code.

Security code: %2
Ask your partner to read out the code on their screen: accept only if it is the same.

Partner's device key: %3

Accept?</source>
        <translation>Asiakas %1 haluaa muodostaa yhteyden pariliitoskoodillasi.

Turvakoodi: %2
Pyydä kumppaniasi lukemaan näytöllään näkyvä koodi: hyväksy vain, jos se on sama.

Kumppanin laiteavain: %3

Hyväksytäänkö?</translation>
    </message>
    <message>
        <source>Device Key Changed</source>
        <translation>Laiteavain on vaihtunut</translation>
    </message>
    <message>
        <source>Trust the new key and connect?</source>
        <translation>Luotetaanko uuteen avaimeen ja muodostetaanko yhteys?</translation>
    </message>
    <message>
        <source>security code %1</source>
        <translation>turvakoodi %1</translation>
    </message>
    <message>
        <source>Not verified</source>
        <translation>Ei vahvistettu</translation>
    </message>
    <message>
        <source>Nimbral - Connected to %1 (%2)</source>
        <translation>Nimbral - Yhdistetty: %1 (%2)</translation>
    </message>
    <message>
        <source>Device key: %1</source>
        <translation>Laiteavain: %1</translation>
    </message>
    <message>
        <source>The Wake-on-LAN packet to %1 could not be sent.</source>
        <translation>Wake-on-LAN-pakettia osoitteeseen %1 ei voitu lähettää.</translation>
    </message>
    <message>
        <source>%1 (idle, %2ms)</source>
        <translation>%1 (joutilas, %2 ms)</translation>
    </message>
    <message>
        <source>Sharing this screen with %1 since %2</source>
        <translation>Tämä näyttö on jaettu kohteelle %1 klo %2 alkaen</translation>
    </message>
    <message>
        <source>Show password</source>
        <translation>Näytä salasana</translation>
    </message>
    <message>
        <source>FAVORITES</source>
        <translation>SUOSIKIT</translation>
    </message>
    <message>
        <source>Copied</source>
        <translation>Kopioitu</translation>
    </message>
    <message>
        <source>Wake-on-LAN starts the partner's computer through its network card. Enter that card's MAC address: six pairs of hexadecimal digits, such as 00:1A:2B:3C:4D:5E. On the partner's computer, "ip link" (Linux) or "getmac" (Windows) shows it.</source>
        <translation>Wake-on-LAN käynnistää kumppanin tietokoneen sen verkkokortin kautta. Anna kortin MAC-osoite: kuusi heksadesimaalinumeroparia, esimerkiksi 00:1A:2B:3C:4D:5E. Kumppanin koneella sen näyttää "ip link" (Linux) tai "getmac" (Windows).</translation>
    </message>
    <message>
        <source>"%1" is not a MAC address: it has six pairs of hexadecimal digits, such as 00:1A:2B:3C:4D:5E.</source>
        <translation>"%1" ei ole MAC-osoite: siinä on kuusi heksadesimaalinumeroparia, esimerkiksi 00:1A:2B:3C:4D:5E.</translation>
    </message>
    <message>
        <source>Hide password</source>
        <translation>Piilota salasana</translation>
    </message>
    <message>
        <source>Reconnect</source>
        <translation>Yhdistä uudelleen</translation>
    </message>
    <message>
        <source>Connection to partner %1 lost: reconnecting (attempt %2 of %3)...</source>
        <translation>Yhteys kumppaniin %1 katkesi: yhdistetään uudelleen (yritys %2/%3)...</translation>
    </message>
    <message>
        <source>Session Ended</source>
        <translation>Istunto päättyi</translation>
    </message>
    <message>
        <source>Partner %1 ended the session.</source>
        <translation>Kumppani %1 lopetti istunnon.</translation>
    </message>
    <message>
        <source>Connection Lost</source>
        <translation>Yhteys katkesi</translation>
    </message>
    <message>
        <source>The connection to partner %1 was lost.</source>
        <translation>Yhteys kumppaniin %1 katkesi.</translation>
    </message>
    <message>
        <source>The connection to partner %1 was lost, and %2 attempts to reconnect failed.</source>
        <translation>Yhteys kumppaniin %1 katkesi, eikä %2 yritystä yhdistää uudelleen onnistunut.</translation>
    </message>
    <message>
        <source>Another session is under way.</source>
        <translation>Toinen istunto on käynnissä.</translation>
    </message>
    <message>
        <source>Monitor %1: %2 (%3 × %4)</source>
        <translation>Näyttö %1: %2 (%3 × %4)</translation>
    </message>
    <message>
        <source>Monitor %1 is not available on the partner's computer.</source>
        <translation>Näyttöä %1 ei ole kumppanin tietokoneessa.</translation>
    </message>
    <message>
        <source>The partner's screen cannot be shown: their desktop offers no way to share it.</source>
        <translation>Kumppanin näyttöä ei voi näyttää: hänen työpöytänsä ei tarjoa tapaa jakaa sitä.</translation>
    </message>
    <message>
        <source>Scale: %1</source>
        <translation>Skaalaus: %1</translation>
    </message>
</context>
<context>
    <name>nimbral::SessionManager</name>
    <message>
        <source>Crypto error: %1</source>
        <translation>Salausvirhe: %1</translation>
    </message>
    <message>
        <source>ECDH key derivation failed</source>
        <translation>ECDH-avaimen johtaminen epäonnistui</translation>
    </message>
    <message>
        <source>Cipher error: %1</source>
        <translation>Salausvirhe: %1</translation>
    </message>
    <message>
        <source>Cannot initiate session: not idle</source>
        <translation>Istuntoa ei voi aloittaa: toinen istunto on käynnissä</translation>
    </message>
    <message>
        <source>Server returned invalid session data</source>
        <translation>Palvelin palautti virheelliset istuntotiedot</translation>
    </message>
    <message>
        <source>Missing target ECDH public key</source>
        <translation>Kohteen julkinen ECDH-avain puuttuu</translation>
    </message>
    <message>
        <source>Cannot accept session: not idle</source>
        <translation>Istuntoa ei voi hyväksyä: toinen istunto on käynnissä</translation>
    </message>
    <message>
        <source>Transport failed: %1</source>
        <translation>Siirto epäonnistui: %1</translation>
    </message>
    <message>
        <source>Partner did not respond</source>
        <translation>Kumppani ei vastannut</translation>
    </message>
    <message>
        <source>Failed to start screen capture.</source>
        <translation>Näytön kaappausta ei voitu käynnistää.</translation>
    </message>
    <message>
        <source>Too many wrong passwords for partner %1: wait a few minutes, then try again</source>
        <translation>Liian monta väärää salasanaa kumppanille %1: odota muutama minuutti ja yritä sitten uudelleen</translation>
    </message>
    <message>
        <source>Partner %1 declined the session</source>
        <translation>Kumppani %1 hylkäsi istunnon</translation>
    </message>
    <message>
        <source>Wrong password for partner %1: check it, or ask them for the current one</source>
        <translation>Väärä salasana kumppanille %1: tarkista se tai pyydä nykyinen</translation>
    </message>
    <message>
        <source>Partner %1 is unknown: check the ID</source>
        <translation>Kumppani %1 on tuntematon: tarkista tunnus</translation>
    </message>
    <message>
        <source>Partner %1 is offline: ask them to open Nimbral</source>
        <translation>Kumppani %1 on offline-tilassa: pyydä häntä avaamaan Nimbral</translation>
    </message>
    <message>
        <source>%1 is this device's own ID: enter the partner's ID</source>
        <translation>%1 on tämän laitteen tunnus: anna kumppanin tunnus</translation>
    </message>
    <message>
        <source>Partner %1 could not be reached: try again in a moment</source>
        <translation>Kumppania %1 ei tavoitettu: yritä hetken päästä uudelleen</translation>
    </message>
    <message>
        <source>Partner %1 is busy with other connection requests: try again in a moment</source>
        <translation>Kumppani %1 käsittelee muita yhteyspyyntöjä: yritä hetken kuluttua uudelleen</translation>
    </message>
    <message>
        <source>Partner %1 accepts only verified sessions</source>
        <translation>Kumppani %1 hyväksyy vain vahvistetut istunnot</translation>
    </message>
    <message>
        <source>Partner %1 could not check this device's key</source>
        <translation>Kumppani %1 ei voinut tarkistaa tämän laitteen avainta</translation>
    </message>
    <message>
        <source>Partner %1 ended the session before it started</source>
        <translation>Kumppani %1 lopetti istunnon ennen sen alkua</translation>
    </message>
    <message>
        <source>The password exchange could not be started</source>
        <translation>Salasanan vaihtoa ei voitu aloittaa</translation>
    </message>
    <message>
        <source>Partner %1 cannot open a verified session, and this device accepts only verified sessions</source>
        <translation>Kumppani %1 ei voi avata vahvistettua istuntoa, ja tämä laite hyväksyy vain vahvistetut istunnot</translation>
    </message>
    <message>
        <source>Partner %1 verified its sessions before and now offers only an unverified one. Not connected: someone may be posing as it.</source>
        <translation>Kumppani %1 vahvisti aiemmin istuntonsa ja tarjoaa nyt vain vahvistamattoman. Ei yhdistetty: joku saattaa esiintyä kumppanina.</translation>
    </message>
    <message>
        <source>Partner %1 did not prove its device key. Not connected.</source>
        <translation>Kumppani %1 ei todistanut laiteavaintaan. Ei yhdistetty.</translation>
    </message>
    <message>
        <source>The device key of partner %1 has changed.

Before: %2
Now: %3

If the partner's device was set up again, you can trust the new key; otherwise someone may be posing as it. Not connected.</source>
        <translation>Kumppanin %1 laiteavain on vaihtunut.

Ennen: %2
Nyt: %3

Jos kumppanin laite on asennettu uudelleen, voit luottaa uuteen avaimeen; muuten joku saattaa esiintyä kumppanina. Ei yhdistetty.</translation>
    </message>
</context>
<context>
    <name>nimbral::SessionNotice</name>
    <message>
        <source>Partner %1 sees and controls this screen</source>
        <translation>Kumppani %1 näkee ja ohjaa tätä näyttöä</translation>
    </message>
    <message>
        <source>End session</source>
        <translation>Lopeta istunto</translation>
    </message>
    <message>
        <source>Looking at files in %1</source>
        <translation>Katselee tiedostoja kansiossa %1</translation>
    </message>
    <message>
        <source>Copying %1 from this computer</source>
        <translation>Kopioi kohteen %1 tältä tietokoneelta</translation>
    </message>
    <message>
        <source>Copying %1 to this computer</source>
        <translation>Kopioi kohteen %1 tälle tietokoneelle</translation>
    </message>
</context>
<context>
    <name>nimbral::SettingsDialog</name>
    <message>
        <source>Monitor %1: %2 (%3x%4%5)</source>
        <translation>Näyttö %1: %2 (%3x%4%5)</translation>
    </message>
    <message>
        <source>, Primary</source>
        <translation>, ensisijainen</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Asetukset</translation>
    </message>
    <message>
        <source>Display</source>
        <translation>Näyttö</translation>
    </message>
    <message>
        <source>Network</source>
        <translation>Verkko</translation>
    </message>
    <message>
        <source>Advanced</source>
        <translation>Lisäasetukset</translation>
    </message>
    <message>
        <source>System default</source>
        <translation>Järjestelmän oletus</translation>
    </message>
    <message>
        <source>Application language. Requires restart to take effect.</source>
        <translation>Sovelluksen kieli. Tulee voimaan uudelleenkäynnistyksen jälkeen.</translation>
    </message>
    <message>
        <source>Language:</source>
        <translation>Kieli:</translation>
    </message>
    <message>
        <source>Optimize Quality</source>
        <translation>Suosi laatua</translation>
    </message>
    <message>
        <source>Optimize Speed</source>
        <translation>Suosi nopeutta</translation>
    </message>
    <message>
        <source>Quality: 24 fps, sharp image, higher bandwidth.
Speed: 10 fps, lower bandwidth and CPU usage.</source>
        <translation>Laatu: 24 fps, terävä kuva, suurempi kaistanleveys.
Nopeus: 10 fps, pienempi kaistanleveys ja suoritinkuorma.</translation>
    </message>
    <message>
        <source>Display mode:</source>
        <translation>Näyttötila:</translation>
    </message>
    <message>
        <source>Select which monitor to share when someone connects to this device.</source>
        <translation>Valitse, mikä näyttö jaetaan, kun joku yhdistää tähän laitteeseen.</translation>
    </message>
    <message>
        <source>Capture monitor:</source>
        <translation>Kaapattava näyttö:</translation>
    </message>
    <message>
        <source>Enable clipboard sharing</source>
        <translation>Ota leikepöydän jakaminen käyttöön</translation>
    </message>
    <message>
        <source>Synchronise clipboard content between the local and remote machines.</source>
        <translation>Synkronoi leikepöydän sisältö paikallisen ja etätietokoneen välillä.</translation>
    </message>
    <message>
        <source>Auto-reconnect on disconnect</source>
        <translation>Yhdistä automaattisesti uudelleen katkeamisen jälkeen</translation>
    </message>
    <message>
        <source>Automatically attempt to re-establish the connection after an unexpected disconnect.</source>
        <translation>Yritä automaattisesti palauttaa yhteys odottamattoman katkeamisen jälkeen.</translation>
    </message>
    <message>
        <source>Maximum number of consecutive reconnection attempts before giving up.</source>
        <translation>Peräkkäisten uudelleenyhdistämisyritysten enimmäismäärä ennen luovuttamista.</translation>
    </message>
    <message>
        <source>Max reconnect attempts:</source>
        <translation>Uudelleenyhdistämisyrityksiä enintään:</translation>
    </message>
    <message>
        <source>Start when I log in</source>
        <translation>Käynnistä, kun kirjaudun sisään</translation>
    </message>
    <message>
        <source>Automatically start Nimbral when you log in to your desktop session.</source>
        <translation>Käynnistä Nimbral automaattisesti, kun kirjaudut työpöytäistuntoon.</translation>
    </message>
    <message>
        <source>Run as system service (unattended)</source>
        <translation>Suorita järjestelmäpalveluna (valvomaton)</translation>
    </message>
    <message>
        <source>Install NimbralService as a systemd service that runs at boot,
even when no user is logged in. Requires administrator privileges.</source>
        <translation>Asenna NimbralService systemd-palveluksi, joka käynnistyy järjestelmän mukana,
vaikka kukaan ei olisi kirjautunut. Vaatii ylläpitäjän oikeudet.</translation>
    </message>
    <message>
        <source>Minimize to tray on close</source>
        <translation>Pienennä ilmoitusalueelle suljettaessa</translation>
    </message>
    <message>
        <source>Keep the application running in the system tray when the window is closed.</source>
        <translation>Pidä sovellus käynnissä ilmoitusalueella, kun ikkuna suljetaan.</translation>
    </message>
    <message>
        <source>Language Changed</source>
        <translation>Kieli vaihdettu</translation>
    </message>
    <message>
        <source>Accept only verified sessions</source>
        <translation>Hyväksy vain vahvistetut istunnot</translation>
    </message>
    <message>
        <source>Refuse partners that cannot prove the password to this device themselves (older versions). The password and the pairing code then never leave this device.</source>
        <translation>Hylkää kumppanit, jotka eivät itse pysty todistamaan salasanaa tälle laitteelle (vanhemmat versiot). Salasana ja pariliitoskoodi eivät silloin koskaan poistu tästä laitteesta.</translation>
    </message>
    <message>
        <source>Restart now</source>
        <translation>Käynnistä uudelleen nyt</translation>
    </message>
    <message>
        <source>Later</source>
        <translation>Myöhemmin</translation>
    </message>
    <message>
        <source>The new language takes effect when Nimbral starts again.</source>
        <translation>Uusi kieli tulee käyttöön, kun Nimbral käynnistetään uudelleen.</translation>
    </message>
</context>
<context>
    <name>nimbral::SystemTrayIcon</name>
    <message>
        <source>Show</source>
        <translation>Näytä</translation>
    </message>
    <message>
        <source>Status: Disconnected</source>
        <translation>Tila: Yhteys katkaistu</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Katkaise</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Lopeta</translation>
    </message>
    <message>
        <source>Nimbral - Remote Access</source>
        <translation>Nimbral - Etäkäyttö</translation>
    </message>
    <message>
        <source>Incoming Connection</source>
        <translation>Saapuva yhteys</translation>
    </message>
    <message>
        <source>Client %1 is requesting a remote connection.</source>
        <translation>Asiakas %1 pyytää etäyhteyttä.</translation>
    </message>
</context>
<context>
    <name>nimbral::UpdateService</name>
    <message>
        <source>The update address is not secure — update aborted.</source>
        <translation>Päivityksen osoite ei ole suojattu — päivitys keskeytettiin.</translation>
    </message>
    <message>
        <source>Downloaded file is too small — update aborted.</source>
        <translation>Ladattu tiedosto on liian pieni — päivitys keskeytettiin.</translation>
    </message>
    <message>
        <source>Downloaded file does not match its checksum — update aborted.</source>
        <translation>Ladattu tiedosto ei vastaa tarkistussummaansa — päivitys keskeytettiin.</translation>
    </message>
    <message>
        <source>Cannot write to temp directory.</source>
        <translation>Väliaikaiseen kansioon ei voi kirjoittaa.</translation>
    </message>
    <message>
        <source>Failed to extract installer from zip.</source>
        <translation>Asennusohjelman purkaminen zip-arkistosta epäonnistui.</translation>
    </message>
    <message>
        <source>The update is not from a verified release — update aborted.</source>
        <translation>Päivitys ei ole peräisin varmennetusta julkaisusta — päivitys keskeytettiin.</translation>
    </message>
</context>
</TS>
