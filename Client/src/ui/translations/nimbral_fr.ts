<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr" sourcelanguage="en">
<context>
    <name>nimbral::AuthController</name>
    <message>
        <source>Password must be at least 8 characters.</source>
        <translation>Le mot de passe doit comporter au moins 8 caractères.</translation>
    </message>
    <message>
        <source>Password must be at most 256 characters.</source>
        <translation>Le mot de passe doit comporter au plus 256 caractères.</translation>
    </message>
    <message>
        <source>Password must contain at least one lowercase letter.</source>
        <translation>Le mot de passe doit contenir au moins une minuscule.</translation>
    </message>
    <message>
        <source>Password must contain at least one uppercase letter.</source>
        <translation>Le mot de passe doit contenir au moins une majuscule.</translation>
    </message>
    <message>
        <source>Password must contain at least one digit.</source>
        <translation>Le mot de passe doit contenir au moins un chiffre.</translation>
    </message>
</context>
<context>
    <name>nimbral::ChatDialog</name>
    <message>
        <source>Chat</source>
        <translation>Discussion</translation>
    </message>
    <message>
        <source>Type a message…</source>
        <translation>Saisissez un message…</translation>
    </message>
    <message>
        <source>Send</source>
        <translation>Envoyer</translation>
    </message>
    <message>
        <source>Me</source>
        <translation>Moi</translation>
    </message>
</context>
<context>
    <name>nimbral::ConnectionDialog</name>
    <message>
        <source>Nimbral - Connect</source>
        <translation>Nimbral - Connexion</translation>
    </message>
    <message>
        <source>Server:</source>
        <translation>Serveur :</translation>
    </message>
    <message>
        <source>Username</source>
        <translation>Nom d'utilisateur</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Mot de passe</translation>
    </message>
    <message>
        <source>Login</source>
        <translation>Se connecter</translation>
    </message>
    <message>
        <source>Username:</source>
        <translation>Nom d'utilisateur :</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>Mot de passe :</translation>
    </message>
    <message>
        <source>Password (min 8 chars)</source>
        <translation>Mot de passe (8 caractères min.)</translation>
    </message>
    <message>
        <source>My PC</source>
        <translation>Mon PC</translation>
    </message>
    <message>
        <source>Register</source>
        <translation>S'inscrire</translation>
    </message>
    <message>
        <source>Client Name:</source>
        <translation>Nom du client :</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Erreur</translation>
    </message>
    <message>
        <source>Please fill in all fields.</source>
        <translation>Veuillez remplir tous les champs.</translation>
    </message>
    <message>
        <source>Please fill in username and password.</source>
        <translation>Veuillez saisir le nom d'utilisateur et le mot de passe.</translation>
    </message>
    <message>
        <source>Password must be at least 8 characters.</source>
        <translation>Le mot de passe doit comporter au moins 8 caractères.</translation>
    </message>
</context>
<context>
    <name>nimbral::ConnectionInfoDialog</name>
    <message>
        <source>Connection Information</source>
        <translation>Informations de connexion</translation>
    </message>
    <message>
        <source>Session</source>
        <translation>Session</translation>
    </message>
    <message>
        <source>Session ID:</source>
        <translation>ID de session :</translation>
    </message>
    <message>
        <source>Remote ID:</source>
        <translation>ID distant :</translation>
    </message>
    <message>
        <source>Role:</source>
        <translation>Rôle :</translation>
    </message>
    <message>
        <source>Master (Viewer)</source>
        <translation>Master (observateur)</translation>
    </message>
    <message>
        <source>Target (Sharing)</source>
        <translation>Cible (partage)</translation>
    </message>
    <message>
        <source>Transport:</source>
        <translation>Transport :</translation>
    </message>
    <message>
        <source>Connection Quality</source>
        <translation>Qualité de la connexion</translation>
    </message>
    <message>
        <source>FPS:</source>
        <translation>IPS :</translation>
    </message>
    <message>
        <source>Latency:</source>
        <translation>Latence :</translation>
    </message>
    <message>
        <source>Bandwidth:</source>
        <translation>Bande passante :</translation>
    </message>
    <message>
        <source>Sent:</source>
        <translation>Envoyé :</translation>
    </message>
    <message>
        <source>Received:</source>
        <translation>Reçu :</translation>
    </message>
    <message>
        <source>Dropped Frames:</source>
        <translation>Images perdues :</translation>
    </message>
    <message>
        <source>Uptime:</source>
        <translation>Durée :</translation>
    </message>
    <message>
        <source>Verification</source>
        <translation>Vérification</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>État :</translation>
    </message>
    <message>
        <source>Verified</source>
        <translation>Vérifiée</translation>
    </message>
    <message>
        <source>Not verified</source>
        <translation>Non vérifiée</translation>
    </message>
    <message>
        <source>Security code:</source>
        <translation>Code de sécurité :</translation>
    </message>
    <message>
        <source>Partner's device key:</source>
        <translation>Clé de l'appareil du partenaire :</translation>
    </message>
    <message>
        <source>This device's key:</source>
        <translation>Clé de cet appareil :</translation>
    </message>
</context>
<context>
    <name>nimbral::FileManagerDialog</name>
    <message>
        <source>%v of %m files</source>
        <translation>%v sur %m fichiers</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>%1/s, %2 left</source>
        <translation>%1/s, reste %2</translation>
    </message>
    <message>
        <source>Transfer cancelled</source>
        <translation>Transfert annulé</translation>
    </message>
    <message>
        <source>File Manager</source>
        <translation>Gestionnaire de fichiers</translation>
    </message>
    <message>
        <source>&lt;b&gt;Remote Computer&lt;/b&gt;</source>
        <translation>&lt;b&gt;Ordinateur distant&lt;/b&gt;</translation>
    </message>
    <message>
        <source>Go up one directory</source>
        <translation>Remonter d'un dossier</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Nom</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Taille</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>Download selected remote file to local</source>
        <translation>Télécharger le fichier distant sélectionné sur cet ordinateur</translation>
    </message>
    <message>
        <source>Upload selected local file to remote</source>
        <translation>Envoyer le fichier local sélectionné vers l'ordinateur distant</translation>
    </message>
    <message>
        <source>&lt;b&gt;Local Computer&lt;/b&gt;</source>
        <translation>&lt;b&gt;Ordinateur local&lt;/b&gt;</translation>
    </message>
    <message>
        <source>&lt;b&gt;Remote: &lt;/b&gt;%1</source>
        <translation>&lt;b&gt;Distant : &lt;/b&gt;%1</translation>
    </message>
    <message>
        <source>Loading remote directory...</source>
        <translation>Chargement du dossier distant...</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Dossier</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Fichier</translation>
    </message>
    <message>
        <source>%1 items</source>
        <translation>%1 éléments</translation>
    </message>
    <message>
        <source>Select one or more remote files to download.</source>
        <translation>Sélectionnez un ou plusieurs fichiers distants à télécharger.</translation>
    </message>
    <message>
        <source>No files selected (folders are skipped).</source>
        <translation>Aucun fichier sélectionné (les dossiers sont ignorés).</translation>
    </message>
    <message>
        <source>Overwrite?</source>
        <translation>Remplacer ?</translation>
    </message>
    <message>
        <source>These files already exist locally and will be overwritten:
%1

Continue?</source>
        <translation>Ces fichiers existent déjà localement et seront remplacés :
%1

Continuer ?</translation>
    </message>
    <message>
        <source>Downloading %1 of %2: %3</source>
        <translation>Téléchargement %1 sur %2 : %3</translation>
    </message>
    <message>
        <source>Downloaded: %1 — %2 remaining</source>
        <translation>Téléchargé : %1 — encore %2</translation>
    </message>
    <message>
        <source>All downloads complete.</source>
        <translation>Tous les téléchargements sont terminés.</translation>
    </message>
    <message>
        <source>Select one or more local files to upload.</source>
        <translation>Sélectionnez un ou plusieurs fichiers locaux à envoyer.</translation>
    </message>
    <message>
        <source>These files already exist on the remote and will be overwritten:
%1

Continue?</source>
        <translation>Ces fichiers existent déjà sur l'ordinateur distant et seront remplacés :
%1

Continuer ?</translation>
    </message>
    <message>
        <source>Uploading %1 of %2: %3</source>
        <translation>Envoi %1 sur %2 : %3</translation>
    </message>
    <message>
        <source>All uploads complete.</source>
        <translation>Tous les envois sont terminés.</translation>
    </message>
    <message>
        <source>Error: %1</source>
        <translation>Erreur : %1</translation>
    </message>
    <message>
        <source>Refused an unsafe name in the folder: %1</source>
        <translation>Nom dangereux refusé dans le dossier : %1</translation>
    </message>
    <message>
        <source>Listing folder %1...</source>
        <translation>Lecture du dossier %1...</translation>
    </message>
    <message>
        <source>Folder too large: %1</source>
        <translation>Dossier trop volumineux : %1</translation>
    </message>
    <message>
        <source>Cannot write to local file: %1</source>
        <translation>Impossible d'écrire le fichier local : %1</translation>
    </message>
    <message>
        <source>Refused an unsafe name in the listing: %1</source>
        <translation>Nom dangereux refusé dans la liste : %1</translation>
    </message>
    <message>
        <source>Drives</source>
        <translation>Lecteurs</translation>
    </message>
    <message>
        <source>File system (/)</source>
        <translation>Système de fichiers (/)</translation>
    </message>
    <message>
        <source>&lt;b&gt;Local: &lt;/b&gt;%1</source>
        <translation>&lt;b&gt;Local : &lt;/b&gt;%1</translation>
    </message>
</context>
<context>
    <name>nimbral::FileTransferService</name>
    <message>
        <source>Transfer cancelled</source>
        <translation>Transfert annulé</translation>
    </message>
    <message>
        <source>Transfer corrupted, checksum mismatch: %1</source>
        <translation>Transfert corrompu, somme de contrôle incorrecte : %1</translation>
    </message>
    <message>
        <source>Cannot open local file: %1</source>
        <translation>Impossible d'ouvrir le fichier local : %1</translation>
    </message>
    <message>
        <source>File too large to transfer: %1 (%2 bytes, at most %3)</source>
        <translation>Fichier trop volumineux pour le transfert : %1 (%2 octets, au plus %3)</translation>
    </message>
    <message>
        <source>Remote file download failed</source>
        <translation>Échec du téléchargement du fichier distant</translation>
    </message>
    <message>
        <source>Cannot write to local file: %1</source>
        <translation>Impossible d'écrire le fichier local : %1</translation>
    </message>
    <message>
        <source>Refused an unsafe name in the folder: %1</source>
        <translation>Nom dangereux refusé dans le dossier : %1</translation>
    </message>
</context>
<context>
    <name>nimbral::MainWindow</name>
    <message>
        <source>Nimbral - Remote Access</source>
        <translation>Nimbral - Accès à distance</translation>
    </message>
    <message>
        <source>Server unavailable — retrying...</source>
        <translation>Serveur indisponible — nouvelle tentative...</translation>
    </message>
    <message>
        <source>Admin Panel</source>
        <translation>Console d'administration</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Paramètres</translation>
    </message>
    <message>
        <source>YOUR ID</source>
        <translation>VOTRE ID</translation>
    </message>
    <message>
        <source>Connecting...</source>
        <translation>Connexion...</translation>
    </message>
    <message>
        <source>Copy ID</source>
        <translation>Copier l'ID</translation>
    </message>
    <message>
        <source>PASSWORD</source>
        <translation>MOT DE PASSE</translation>
    </message>
    <message>
        <source>Copy Password</source>
        <translation>Copier le mot de passe</translation>
    </message>
    <message>
        <source>Change Password</source>
        <translation>Changer le mot de passe</translation>
    </message>
    <message>
        <source>CONNECT TO PARTNER</source>
        <translation>SE CONNECTER À UN PARTENAIRE</translation>
    </message>
    <message>
        <source>Partner ID  (XXX XXX XXX)</source>
        <translation>ID du partenaire  (XXX XXX XXX)</translation>
    </message>
    <message>
        <source>Add to favorites</source>
        <translation>Ajouter aux favoris</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Mot de passe</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Connecter</translation>
    </message>
    <message>
        <source>Wake-on-LAN</source>
        <translation>Wake-on-LAN</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Déconnecter</translation>
    </message>
    <message>
        <source>PAIRING CODE</source>
        <translation>CODE D'APPAIRAGE</translation>
    </message>
    <message>
        <source>Copy Pairing Code</source>
        <translation>Copier le code d'appairage</translation>
    </message>
    <message>
        <source>Add this device at</source>
        <translation>Ajoutez cet appareil sur</translation>
    </message>
    <message>
        <source>Info  (Ctrl+Shift+I)</source>
        <translation>Infos  (Ctrl+Maj+I)</translation>
    </message>
    <message>
        <source>Files  (Ctrl+Shift+F)</source>
        <translation>Fichiers  (Ctrl+Maj+F)</translation>
    </message>
    <message>
        <source>Chat  (Ctrl+Shift+C)</source>
        <translation>Discussion  (Ctrl+Maj+C)</translation>
    </message>
    <message>
        <source>Scale Mode  (Ctrl+Shift+Q)</source>
        <translation>Mise à l'échelle  (Ctrl+Maj+Q)</translation>
    </message>
    <message>
        <source>Fit to Window</source>
        <translation>Ajuster à la fenêtre</translation>
    </message>
    <message>
        <source>Stretch to Fill</source>
        <translation>Étirer pour remplir</translation>
    </message>
    <message>
        <source>Original Size</source>
        <translation>Taille d'origine</translation>
    </message>
    <message>
        <source>Switch Monitor</source>
        <translation>Changer d'écran</translation>
    </message>
    <message>
        <source>Monitor %1</source>
        <translation>Écran %1</translation>
    </message>
    <message>
        <source>Fullscreen  (F11)</source>
        <translation>Plein écran  (F11)</translation>
    </message>
    <message>
        <source>Connection: Good</source>
        <translation>Connexion : bonne</translation>
    </message>
    <message>
        <source>Disconnect  (Ctrl+Shift+D)</source>
        <translation>Déconnecter  (Ctrl+Maj+D)</translation>
    </message>
    <message>
        <source>This display cannot show the remote screen (no OpenGL).</source>
        <translation>Cet affichage ne peut pas montrer l'écran distant (pas d'OpenGL).</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Erreur</translation>
    </message>
    <message>
        <source>Please enter a partner Client ID.</source>
        <translation>Veuillez saisir l'ID client du partenaire.</translation>
    </message>
    <message>
        <source>Partner ID must be exactly 9 digits.</source>
        <translation>L'ID du partenaire doit comporter exactement 9 chiffres.</translation>
    </message>
    <message>
        <source>Please enter the partner's password.</source>
        <translation>Veuillez saisir le mot de passe du partenaire.</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>Prêt</translation>
    </message>
    <message>
        <source>Ready. Your ID: %1</source>
        <translation>Prêt. Votre ID : %1</translation>
    </message>
    <message>
        <source>Not connected</source>
        <translation>Non connecté</translation>
    </message>
    <message>
        <source>Disconnected</source>
        <translation>Déconnecté</translation>
    </message>
    <message>
        <source>Online (Ready)</source>
        <translation>En ligne (prêt)</translation>
    </message>
    <message>
        <source>Reconnecting...</source>
        <translation>Reconnexion...</translation>
    </message>
    <message>
        <source>Client %1 wants to connect.
Purpose: %2

Accept?</source>
        <translation>Le client %1 souhaite se connecter.
Objet : %2

Accepter ?</translation>
    </message>
    <message>
        <source>remote access</source>
        <translation>accès à distance</translation>
    </message>
    <message>
        <source>Incoming Connection</source>
        <translation>Connexion entrante</translation>
    </message>
    <message>
        <source>Incoming connection from </source>
        <translation>Connexion entrante de </translation>
    </message>
    <message>
        <source>Initiating session...</source>
        <translation>Ouverture de la session...</translation>
    </message>
    <message>
        <source>Exchanging keys...</source>
        <translation>Échange des clés...</translation>
    </message>
    <message>
        <source>Establishing transport...</source>
        <translation>Établissement du transport...</translation>
    </message>
    <message>
        <source>Connected</source>
        <translation>Connecté</translation>
    </message>
    <message>
        <source>Nimbral - Connected to %1</source>
        <translation>Nimbral - Connecté à %1</translation>
    </message>
    <message>
        <source>Remote session active — sharing your screen.</source>
        <translation>Session à distance active — votre écran est partagé.</translation>
    </message>
    <message>
        <source>Disconnecting...</source>
        <translation>Déconnexion...</translation>
    </message>
    <message>
        <source>Session failed</source>
        <translation>Échec de la session</translation>
    </message>
    <message>
        <source>Session failed.</source>
        <translation>Échec de la session.</translation>
    </message>
    <message>
        <source>Session Error</source>
        <translation>Erreur de session</translation>
    </message>
    <message>
        <source>Application minimized to system tray.</source>
        <translation>Application réduite dans la zone de notification.</translation>
    </message>
    <message>
        <source>Change Session Password</source>
        <translation>Changer le mot de passe de session</translation>
    </message>
    <message>
        <source>New password (min 8 chars, uppercase + lowercase + digit):</source>
        <translation>Nouveau mot de passe (8 caractères min., majuscule + minuscule + chiffre) :</translation>
    </message>
    <message>
        <source>Invalid Password</source>
        <translation>Mot de passe non valide</translation>
    </message>
    <message>
        <source>Wake-on-LAN packet sent to %1</source>
        <translation>Paquet Wake-on-LAN envoyé à %1</translation>
    </message>
    <message>
        <source>Chat</source>
        <translation>Discussion</translation>
    </message>
    <message>
        <source>Remote</source>
        <translation>Partenaire</translation>
    </message>
    <message>
        <source>Chat (!)</source>
        <translation>Discussion (!)</translation>
    </message>
    <message>
        <source>Good</source>
        <translation>Bonne</translation>
    </message>
    <message>
        <source>Fair</source>
        <translation>Moyenne</translation>
    </message>
    <message>
        <source>Poor</source>
        <translation>Mauvaise</translation>
    </message>
    <message>
        <source>%1 (%2 FPS, %3ms)</source>
        <translation>%1 (%2 IPS, %3 ms)</translation>
    </message>
    <message>
        <source>Downloading... %1%</source>
        <translation>Téléchargement... %1%</translation>
    </message>
    <message>
        <source>Update Now</source>
        <translation>Mettre à jour</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>Mise à jour</translation>
    </message>
    <message>
        <source>Update available: v%1</source>
        <translation>Mise à jour disponible : v%1</translation>
    </message>
    <message>
        <source>Downloading...</source>
        <translation>Téléchargement...</translation>
    </message>
    <message>
        <source>Could not start the installer.</source>
        <translation>Impossible de lancer le programme d'installation.</translation>
    </message>
    <message>
        <source>The connection to the server is not encrypted</source>
        <translation>La connexion au serveur n'est pas chiffrée</translation>
    </message>
    <message>
        <source>Client %1 wants to connect with your pairing code.

Security code: %2
Ask your partner to read out the code on their screen: accept only if it is the same.

Partner's device key: %3

Accept?</source>
        <translation>Le client %1 veut se connecter avec votre code d'appairage.

Code de sécurité : %2
Demandez à votre partenaire de lire le code affiché sur son écran : acceptez uniquement s'il est identique.

Clé de l'appareil du partenaire : %3

Accepter ?</translation>
    </message>
    <message>
        <source>Device Key Changed</source>
        <translation>Clé d'appareil modifiée</translation>
    </message>
    <message>
        <source>Trust the new key and connect?</source>
        <translation>Faire confiance à la nouvelle clé et se connecter ?</translation>
    </message>
    <message>
        <source>security code %1</source>
        <translation>code de sécurité %1</translation>
    </message>
    <message>
        <source>Not verified</source>
        <translation>Non vérifiée</translation>
    </message>
    <message>
        <source>Nimbral - Connected to %1 (%2)</source>
        <translation>Nimbral - Connecté à %1 (%2)</translation>
    </message>
    <message>
        <source>Device key: %1</source>
        <translation>Clé de l'appareil : %1</translation>
    </message>
    <message>
        <source>The Wake-on-LAN packet to %1 could not be sent.</source>
        <translation>Le paquet Wake-on-LAN vers %1 n'a pas pu être envoyé.</translation>
    </message>
    <message>
        <source>%1 (idle, %2ms)</source>
        <translation>%1 (inactif, %2 ms)</translation>
    </message>
    <message>
        <source>Sharing this screen with %1 since %2</source>
        <translation>Cet écran est partagé avec %1 depuis %2</translation>
    </message>
    <message>
        <source>Show password</source>
        <translation>Afficher le mot de passe</translation>
    </message>
    <message>
        <source>FAVORITES</source>
        <translation>FAVORIS</translation>
    </message>
    <message>
        <source>Copied</source>
        <translation>Copié</translation>
    </message>
    <message>
        <source>Wake-on-LAN starts the partner's computer through its network card. Enter that card's MAC address: six pairs of hexadecimal digits, such as 00:1A:2B:3C:4D:5E. On the partner's computer, "ip link" (Linux) or "getmac" (Windows) shows it.</source>
        <translation>Wake-on-LAN démarre l'ordinateur du partenaire par sa carte réseau. Saisissez l'adresse MAC de cette carte : six paires de chiffres hexadécimaux, par exemple 00:1A:2B:3C:4D:5E. Sur l'ordinateur du partenaire, "ip link" (Linux) ou "getmac" (Windows) l'affiche.</translation>
    </message>
    <message>
        <source>"%1" is not a MAC address: it has six pairs of hexadecimal digits, such as 00:1A:2B:3C:4D:5E.</source>
        <translation>"%1" n'est pas une adresse MAC : elle compte six paires de chiffres hexadécimaux, par exemple 00:1A:2B:3C:4D:5E.</translation>
    </message>
    <message>
        <source>Hide password</source>
        <translation>Masquer le mot de passe</translation>
    </message>
    <message>
        <source>Reconnect</source>
        <translation>Se reconnecter</translation>
    </message>
    <message>
        <source>Connection to partner %1 lost: reconnecting (attempt %2 of %3)...</source>
        <translation>Connexion au partenaire %1 perdue : reconnexion (tentative %2 sur %3)...</translation>
    </message>
    <message>
        <source>Session Ended</source>
        <translation>Session terminée</translation>
    </message>
    <message>
        <source>Partner %1 ended the session.</source>
        <translation>Le partenaire %1 a mis fin à la session.</translation>
    </message>
    <message>
        <source>Connection Lost</source>
        <translation>Connexion perdue</translation>
    </message>
    <message>
        <source>The connection to partner %1 was lost.</source>
        <translation>La connexion au partenaire %1 a été perdue.</translation>
    </message>
    <message>
        <source>The connection to partner %1 was lost, and %2 attempts to reconnect failed.</source>
        <translation>La connexion au partenaire %1 a été perdue et %2 tentatives de reconnexion ont échoué.</translation>
    </message>
    <message>
        <source>Another session is under way.</source>
        <translation>Une autre session est en cours.</translation>
    </message>
    <message>
        <source>Monitor %1: %2 (%3 × %4)</source>
        <translation>Écran %1 : %2 (%3 × %4)</translation>
    </message>
    <message>
        <source>Monitor %1 is not available on the partner's computer.</source>
        <translation>L'écran %1 n'est pas disponible sur l'ordinateur du partenaire.</translation>
    </message>
    <message>
        <source>The partner's screen cannot be shown: their desktop offers no way to share it.</source>
        <translation>L'écran du partenaire ne peut pas être affiché : son bureau n'offre aucun moyen de le partager.</translation>
    </message>
    <message>
        <source>Scale: %1</source>
        <translation>Échelle : %1</translation>
    </message>
</context>
<context>
    <name>nimbral::SessionManager</name>
    <message>
        <source>Crypto error: %1</source>
        <translation>Erreur cryptographique : %1</translation>
    </message>
    <message>
        <source>ECDH key derivation failed</source>
        <translation>Échec de la dérivation de clé ECDH</translation>
    </message>
    <message>
        <source>Cipher error: %1</source>
        <translation>Erreur de chiffrement : %1</translation>
    </message>
    <message>
        <source>Cannot initiate session: not idle</source>
        <translation>Impossible d'ouvrir la session : une autre est en cours</translation>
    </message>
    <message>
        <source>Server returned invalid session data</source>
        <translation>Le serveur a renvoyé des données de session non valides</translation>
    </message>
    <message>
        <source>Missing target ECDH public key</source>
        <translation>Clé publique ECDH de la cible manquante</translation>
    </message>
    <message>
        <source>Cannot accept session: not idle</source>
        <translation>Impossible d'accepter la session : une autre est en cours</translation>
    </message>
    <message>
        <source>Transport failed: %1</source>
        <translation>Échec du transport : %1</translation>
    </message>
    <message>
        <source>Partner did not respond</source>
        <translation>Le partenaire n'a pas répondu</translation>
    </message>
    <message>
        <source>Failed to start screen capture.</source>
        <translation>Impossible de démarrer la capture d'écran.</translation>
    </message>
    <message>
        <source>Too many wrong passwords for partner %1: wait a few minutes, then try again</source>
        <translation>Trop de mots de passe erronés pour le partenaire %1 : attendez quelques minutes, puis réessayez</translation>
    </message>
    <message>
        <source>Partner %1 declined the session</source>
        <translation>Le partenaire %1 a refusé la session</translation>
    </message>
    <message>
        <source>Wrong password for partner %1: check it, or ask them for the current one</source>
        <translation>Mot de passe erroné pour le partenaire %1 : vérifiez-le ou demandez le mot de passe actuel</translation>
    </message>
    <message>
        <source>Partner %1 is unknown: check the ID</source>
        <translation>Le partenaire %1 est inconnu : vérifiez l'ID</translation>
    </message>
    <message>
        <source>Partner %1 is offline: ask them to open Nimbral</source>
        <translation>Le partenaire %1 est hors ligne : demandez-lui d'ouvrir Nimbral</translation>
    </message>
    <message>
        <source>%1 is this device's own ID: enter the partner's ID</source>
        <translation>%1 est l'ID de cet appareil : saisissez l'ID du partenaire</translation>
    </message>
    <message>
        <source>Partner %1 could not be reached: try again in a moment</source>
        <translation>Le partenaire %1 est injoignable : réessayez dans un instant</translation>
    </message>
    <message>
        <source>Partner %1 is busy with other connection requests: try again in a moment</source>
        <translation>Le partenaire %1 traite d'autres demandes de connexion : réessayez dans un instant</translation>
    </message>
    <message>
        <source>Partner %1 accepts only verified sessions</source>
        <translation>Le partenaire %1 n'accepte que les sessions vérifiées</translation>
    </message>
    <message>
        <source>Partner %1 could not check this device's key</source>
        <translation>Le partenaire %1 n'a pas pu vérifier la clé de cet appareil</translation>
    </message>
    <message>
        <source>Partner %1 ended the session before it started</source>
        <translation>Le partenaire %1 a mis fin à la session avant qu'elle ne commence</translation>
    </message>
    <message>
        <source>The password exchange could not be started</source>
        <translation>L'échange du mot de passe n'a pas pu démarrer</translation>
    </message>
    <message>
        <source>Partner %1 cannot open a verified session, and this device accepts only verified sessions</source>
        <translation>Le partenaire %1 ne peut pas ouvrir de session vérifiée, et cet appareil n'accepte que les sessions vérifiées</translation>
    </message>
    <message>
        <source>Partner %1 verified its sessions before and now offers only an unverified one. Not connected: someone may be posing as it.</source>
        <translation>Le partenaire %1 vérifiait ses sessions auparavant et n'en propose plus qu'une non vérifiée. Non connecté : quelqu'un se fait peut-être passer pour lui.</translation>
    </message>
    <message>
        <source>Partner %1 did not prove its device key. Not connected.</source>
        <translation>Le partenaire %1 n'a pas prouvé la clé de son appareil. Non connecté.</translation>
    </message>
    <message>
        <source>The device key of partner %1 has changed.

Before: %2
Now: %3

If the partner's device was set up again, you can trust the new key; otherwise someone may be posing as it. Not connected.</source>
        <translation>La clé d'appareil du partenaire %1 a changé.

Avant : %2
Maintenant : %3

Si l'appareil du partenaire a été réinstallé, vous pouvez faire confiance à la nouvelle clé ; sinon, quelqu'un se fait peut-être passer pour lui. Non connecté.</translation>
    </message>
</context>
<context>
    <name>nimbral::SessionNotice</name>
    <message>
        <source>Partner %1 sees and controls this screen</source>
        <translation>Le partenaire %1 voit et contrôle cet écran</translation>
    </message>
    <message>
        <source>End session</source>
        <translation>Terminer la session</translation>
    </message>
    <message>
        <source>Looking at files in %1</source>
        <translation>Consulte les fichiers de %1</translation>
    </message>
    <message>
        <source>Copying %1 from this computer</source>
        <translation>Copie %1 depuis cet ordinateur</translation>
    </message>
    <message>
        <source>Copying %1 to this computer</source>
        <translation>Copie %1 vers cet ordinateur</translation>
    </message>
</context>
<context>
    <name>nimbral::SettingsDialog</name>
    <message>
        <source>Monitor %1: %2 (%3x%4%5)</source>
        <translation>Écran %1 : %2 (%3x%4%5)</translation>
    </message>
    <message>
        <source>, Primary</source>
        <translation>, principal</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Paramètres</translation>
    </message>
    <message>
        <source>Display</source>
        <translation>Affichage</translation>
    </message>
    <message>
        <source>Network</source>
        <translation>Réseau</translation>
    </message>
    <message>
        <source>Advanced</source>
        <translation>Avancé</translation>
    </message>
    <message>
        <source>System default</source>
        <translation>Langue du système</translation>
    </message>
    <message>
        <source>Application language. Requires restart to take effect.</source>
        <translation>Langue de l'application. Prise en compte au prochain démarrage.</translation>
    </message>
    <message>
        <source>Language:</source>
        <translation>Langue :</translation>
    </message>
    <message>
        <source>Optimize Quality</source>
        <translation>Privilégier la qualité</translation>
    </message>
    <message>
        <source>Optimize Speed</source>
        <translation>Privilégier la vitesse</translation>
    </message>
    <message>
        <source>Quality: 24 fps, sharp image, higher bandwidth.
Speed: 10 fps, lower bandwidth and CPU usage.</source>
        <translation>Qualité : 24 i/s, image nette, débit plus élevé.
Vitesse : 10 i/s, débit et charge processeur réduits.</translation>
    </message>
    <message>
        <source>Display mode:</source>
        <translation>Mode d'affichage :</translation>
    </message>
    <message>
        <source>Select which monitor to share when someone connects to this device.</source>
        <translation>Choisissez l'écran partagé lorsque quelqu'un se connecte à cet appareil.</translation>
    </message>
    <message>
        <source>Capture monitor:</source>
        <translation>Écran capturé :</translation>
    </message>
    <message>
        <source>Enable clipboard sharing</source>
        <translation>Activer le partage du presse-papiers</translation>
    </message>
    <message>
        <source>Synchronise clipboard content between the local and remote machines.</source>
        <translation>Synchroniser le contenu du presse-papiers entre les ordinateurs local et distant.</translation>
    </message>
    <message>
        <source>Auto-reconnect on disconnect</source>
        <translation>Reconnexion automatique après une déconnexion</translation>
    </message>
    <message>
        <source>Automatically attempt to re-establish the connection after an unexpected disconnect.</source>
        <translation>Tenter automatiquement de rétablir la connexion après une déconnexion inattendue.</translation>
    </message>
    <message>
        <source>Maximum number of consecutive reconnection attempts before giving up.</source>
        <translation>Nombre maximal de tentatives de reconnexion consécutives avant abandon.</translation>
    </message>
    <message>
        <source>Max reconnect attempts:</source>
        <translation>Tentatives de reconnexion max. :</translation>
    </message>
    <message>
        <source>Start when I log in</source>
        <translation>Démarrer à l'ouverture de session</translation>
    </message>
    <message>
        <source>Automatically start Nimbral when you log in to your desktop session.</source>
        <translation>Démarrer Nimbral automatiquement à l'ouverture de votre session de bureau.</translation>
    </message>
    <message>
        <source>Run as system service (unattended)</source>
        <translation>Exécuter comme service système (sans surveillance)</translation>
    </message>
    <message>
        <source>Install NimbralService as a systemd service that runs at boot,
even when no user is logged in. Requires administrator privileges.</source>
        <translation>Installer NimbralService comme service systemd lancé au démarrage,
même si personne n'est connecté. Nécessite les droits d'administrateur.</translation>
    </message>
    <message>
        <source>Minimize to tray on close</source>
        <translation>Réduire dans la zone de notification à la fermeture</translation>
    </message>
    <message>
        <source>Keep the application running in the system tray when the window is closed.</source>
        <translation>L'application reste active dans la zone de notification quand la fenêtre est fermée.</translation>
    </message>
    <message>
        <source>Language Changed</source>
        <translation>Langue modifiée</translation>
    </message>
    <message>
        <source>Accept only verified sessions</source>
        <translation>N'accepter que les sessions vérifiées</translation>
    </message>
    <message>
        <source>Refuse partners that cannot prove the password to this device themselves (older versions). The password and the pairing code then never leave this device.</source>
        <translation>Refuser les partenaires qui ne peuvent pas prouver eux-mêmes le mot de passe à cet appareil (anciennes versions). Le mot de passe et le code d'appairage ne quittent alors jamais cet appareil.</translation>
    </message>
    <message>
        <source>Restart now</source>
        <translation>Redémarrer maintenant</translation>
    </message>
    <message>
        <source>Later</source>
        <translation>Plus tard</translation>
    </message>
    <message>
        <source>The new language takes effect when Nimbral starts again.</source>
        <translation>La nouvelle langue s'appliquera au prochain démarrage de Nimbral.</translation>
    </message>
</context>
<context>
    <name>nimbral::SystemTrayIcon</name>
    <message>
        <source>Show</source>
        <translation>Afficher</translation>
    </message>
    <message>
        <source>Status: Disconnected</source>
        <translation>État : Déconnecté</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Déconnecter</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Quitter</translation>
    </message>
    <message>
        <source>Nimbral - Remote Access</source>
        <translation>Nimbral - Accès à distance</translation>
    </message>
    <message>
        <source>Incoming Connection</source>
        <translation>Connexion entrante</translation>
    </message>
    <message>
        <source>Client %1 is requesting a remote connection.</source>
        <translation>Le client %1 demande une connexion à distance.</translation>
    </message>
</context>
<context>
    <name>nimbral::UpdateService</name>
    <message>
        <source>The update address is not secure — update aborted.</source>
        <translation>L'adresse de mise à jour n'est pas sécurisée — mise à jour annulée.</translation>
    </message>
    <message>
        <source>Downloaded file is too small — update aborted.</source>
        <translation>Le fichier téléchargé est trop petit — mise à jour annulée.</translation>
    </message>
    <message>
        <source>Downloaded file does not match its checksum — update aborted.</source>
        <translation>Le fichier téléchargé ne correspond pas à sa somme de contrôle — mise à jour annulée.</translation>
    </message>
    <message>
        <source>Cannot write to temp directory.</source>
        <translation>Impossible d'écrire dans le dossier temporaire.</translation>
    </message>
    <message>
        <source>Failed to extract installer from zip.</source>
        <translation>Impossible d'extraire le programme d'installation de l'archive zip.</translation>
    </message>
    <message>
        <source>The update is not from a verified release — update aborted.</source>
        <translation>La mise à jour ne provient pas d'une version vérifiée — mise à jour annulée.</translation>
    </message>
</context>
</TS>
