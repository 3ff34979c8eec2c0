<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es" sourcelanguage="en">
<context>
    <name>nimbral::AuthController</name>
    <message>
        <source>Password must be at least 8 characters.</source>
        <translation>La contraseña debe tener al menos 8 caracteres.</translation>
    </message>
    <message>
        <source>Password must be at most 256 characters.</source>
        <translation>La contraseña debe tener como máximo 256 caracteres.</translation>
    </message>
    <message>
        <source>Password must contain at least one lowercase letter.</source>
        <translation>La contraseña debe contener al menos una letra minúscula.</translation>
    </message>
    <message>
        <source>Password must contain at least one uppercase letter.</source>
        <translation>La contraseña debe contener al menos una letra mayúscula.</translation>
    </message>
    <message>
        <source>Password must contain at least one digit.</source>
        <translation>La contraseña debe contener al menos un dígito.</translation>
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
        <translation>Escribe un mensaje…</translation>
    </message>
    <message>
        <source>Send</source>
        <translation>Enviar</translation>
    </message>
    <message>
        <source>Me</source>
        <translation>Yo</translation>
    </message>
</context>
<context>
    <name>nimbral::ConnectionDialog</name>
    <message>
        <source>Nimbral - Connect</source>
        <translation>Nimbral - Conectar</translation>
    </message>
    <message>
        <source>Server:</source>
        <translation>Servidor:</translation>
    </message>
    <message>
        <source>Username</source>
        <translation>Nombre de usuario</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Contraseña</translation>
    </message>
    <message>
        <source>Login</source>
        <translation>Iniciar sesión</translation>
    </message>
    <message>
        <source>Username:</source>
        <translation>Nombre de usuario:</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>Contraseña:</translation>
    </message>
    <message>
        <source>Password (min 8 chars)</source>
        <translation>Contraseña (mín. 8 caracteres)</translation>
    </message>
    <message>
        <source>My PC</source>
        <translation>Mi PC</translation>
    </message>
    <message>
        <source>Register</source>
        <translation>Registrarse</translation>
    </message>
    <message>
        <source>Client Name:</source>
        <translation>Nombre del cliente:</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Please fill in all fields.</source>
        <translation>Rellena todos los campos.</translation>
    </message>
    <message>
        <source>Please fill in username and password.</source>
        <translation>Introduce el nombre de usuario y la contraseña.</translation>
    </message>
    <message>
        <source>Password must be at least 8 characters.</source>
        <translation>La contraseña debe tener al menos 8 caracteres.</translation>
    </message>
</context>
<context>
    <name>nimbral::ConnectionInfoDialog</name>
    <message>
        <source>Connection Information</source>
        <translation>Información de la conexión</translation>
    </message>
    <message>
        <source>Session</source>
        <translation>Sesión</translation>
    </message>
    <message>
        <source>Session ID:</source>
        <translation>ID de sesión:</translation>
    </message>
    <message>
        <source>Remote ID:</source>
        <translation>ID remoto:</translation>
    </message>
    <message>
        <source>Role:</source>
        <translation>Función:</translation>
    </message>
    <message>
        <source>Master (Viewer)</source>
        <translation>Master (visor)</translation>
    </message>
    <message>
        <source>Target (Sharing)</source>
        <translation>Destino (compartiendo)</translation>
    </message>
    <message>
        <source>Transport:</source>
        <translation>Transporte:</translation>
    </message>
    <message>
        <source>Connection Quality</source>
        <translation>Calidad de la conexión</translation>
    </message>
    <message>
        <source>FPS:</source>
        <translation>FPS:</translation>
    </message>
    <message>
        <source>Latency:</source>
        <translation>Latencia:</translation>
    </message>
    <message>
        <source>Bandwidth:</source>
        <translation>Ancho de banda:</translation>
    </message>
    <message>
        <source>Sent:</source>
        <translation>Enviado:</translation>
    </message>
    <message>
        <source>Received:</source>
        <translation>Recibido:</translation>
    </message>
    <message>
        <source>Dropped Frames:</source>
        <translation>Fotogramas perdidos:</translation>
    </message>
    <message>
        <source>Uptime:</source>
        <translation>Tiempo activo:</translation>
    </message>
    <message>
        <source>Verification</source>
        <translation>Verificación</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Estado:</translation>
    </message>
    <message>
        <source>Verified</source>
        <translation>Verificada</translation>
    </message>
    <message>
        <source>Not verified</source>
        <translation>No verificada</translation>
    </message>
    <message>
        <source>Security code:</source>
        <translation>Código de seguridad:</translation>
    </message>
    <message>
        <source>Partner's device key:</source>
        <translation>Clave del dispositivo del socio:</translation>
    </message>
    <message>
        <source>This device's key:</source>
        <translation>Clave de este dispositivo:</translation>
    </message>
</context>
<context>
    <name>nimbral::FileManagerDialog</name>
    <message>
        <source>%v of %m files</source>
        <translation>%v de %m archivos</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>%1/s, %2 left</source>
        <translation>%1/s, quedan %2</translation>
    </message>
    <message>
        <source>Transfer cancelled</source>
        <translation>Transferencia cancelada</translation>
    </message>
    <message>
        <source>File Manager</source>
        <translation>Administrador de archivos</translation>
    </message>
    <message>
        <source>&lt;b&gt;Remote Computer&lt;/b&gt;</source>
        <translation>&lt;b&gt;Equipo remoto&lt;/b&gt;</translation>
    </message>
    <message>
        <source>Go up one directory</source>
        <translation>Subir un nivel</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Nombre</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Tamaño</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Tipo</translation>
    </message>
    <message>
        <source>Download selected remote file to local</source>
        <translation>Descargar el archivo remoto seleccionado a este equipo</translation>
    </message>
    <message>
        <source>Upload selected local file to remote</source>
        <translation>Subir el archivo local seleccionado al equipo remoto</translation>
    </message>
    <message>
        <source>&lt;b&gt;Local Computer&lt;/b&gt;</source>
        <translation>&lt;b&gt;Equipo local&lt;/b&gt;</translation>
    </message>
    <message>
        <source>&lt;b&gt;Remote: &lt;/b&gt;%1</source>
        <translation>&lt;b&gt;Remoto: &lt;/b&gt;%1</translation>
    </message>
    <message>
        <source>Loading remote directory...</source>
        <translation>Cargando la carpeta remota...</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Carpeta</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Archivo</translation>
    </message>
    <message>
        <source>%1 items</source>
        <translation>%1 elementos</translation>
    </message>
    <message>
        <source>Select one or more remote files to download.</source>
        <translation>Selecciona uno o varios archivos remotos para descargar.</translation>
    </message>
    <message>
        <source>No files selected (folders are skipped).</source>
        <translation>No hay archivos seleccionados (las carpetas se omiten).</translation>
    </message>
    <message>
        <source>Overwrite?</source>
        <translation>¿Sobrescribir?</translation>
    </message>
    <message>
        <source>These files already exist locally and will be overwritten:
%1

Continue?</source>
        <translation>Estos archivos ya existen localmente y se sobrescribirán:
%1

¿Continuar?</translation>
    </message>
    <message>
        <source>Downloading %1 of %2: %3</source>
        <translation>Descargando %1 de %2: %3</translation>
    </message>
    <message>
        <source>Downloaded: %1 — %2 remaining</source>
        <translation>Descargado: %1 — quedan %2</translation>
    </message>
    <message>
        <source>All downloads complete.</source>
        <translation>Todas las descargas han terminado.</translation>
    </message>
    <message>
        <source>Select one or more local files to upload.</source>
        <translation>Selecciona uno o varios archivos locales para subir.</translation>
    </message>
    <message>
        <source>These files already exist on the remote and will be overwritten:
%1

Continue?</source>
        <translation>Estos archivos ya existen en el equipo remoto y se sobrescribirán:
%1

¿Continuar?</translation>
    </message>
    <message>
        <source>Uploading %1 of %2: %3</source>
        <translation>Subiendo %1 de %2: %3</translation>
    </message>
    <message>
        <source>All uploads complete.</source>
        <translation>Todas las subidas han terminado.</translation>
    </message>
    <message>
        <source>Error: %1</source>
        <translation>Error: %1</translation>
    </message>
    <message>
        <source>Refused an unsafe name in the folder: %1</source>
        <translation>Se rechazó un nombre no seguro en la carpeta: %1</translation>
    </message>
    <message>
        <source>Listing folder %1...</source>
        <translation>Listando la carpeta %1...</translation>
    </message>
    <message>
        <source>Folder too large: %1</source>
        <translation>Carpeta demasiado grande: %1</translation>
    </message>
    <message>
        <source>Cannot write to local file: %1</source>
        <translation>No se puede escribir el archivo local: %1</translation>
    </message>
    <message>
        <source>Refused an unsafe name in the listing: %1</source>
        <translation>Se rechazó un nombre no seguro en la lista: %1</translation>
    </message>
    <message>
        <source>Drives</source>
        <translation>Unidades</translation>
    </message>
    <message>
        <source>File system (/)</source>
        <translation>Sistema de archivos (/)</translation>
    </message>
    <message>
        <source>&lt;b&gt;Local: &lt;/b&gt;%1</source>
        <translation>&lt;b&gt;Local: &lt;/b&gt;%1</translation>
    </message>
</context>
<context>
    <name>nimbral::FileTransferService</name>
    <message>
        <source>Transfer cancelled</source>
        <translation>Transferencia cancelada</translation>
    </message>
    <message>
        <source>Transfer corrupted, checksum mismatch: %1</source>
        <translation>Transferencia dañada, la suma de comprobación no coincide: %1</translation>
    </message>
    <message>
        <source>Cannot open local file: %1</source>
        <translation>No se puede abrir el archivo local: %1</translation>
    </message>
    <message>
        <source>File too large to transfer: %1 (%2 bytes, at most %3)</source>
        <translation>Archivo demasiado grande para transferir: %1 (%2 bytes, como máximo %3)</translation>
    </message>
    <message>
        <source>Remote file download failed</source>
        <translation>Error al descargar el archivo remoto</translation>
    </message>
    <message>
        <source>Cannot write to local file: %1</source>
        <translation>No se puede escribir el archivo local: %1</translation>
    </message>
    <message>
        <source>Refused an unsafe name in the folder: %1</source>
        <translation>Se rechazó un nombre no seguro en la carpeta: %1</translation>
    </message>
</context>
<context>
    <name>nimbral::MainWindow</name>
    <message>
        <source>Nimbral - Remote Access</source>
        <translation>Nimbral - Acceso remoto</translation>
    </message>
    <message>
        <source>Server unavailable — retrying...</source>
        <translation>Servidor no disponible — reintentando...</translation>
    </message>
    <message>
        <source>Admin Panel</source>
        <translation>Panel de administración</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Configuración</translation>
    </message>
    <message>
        <source>YOUR ID</source>
        <translation>TU ID</translation>
    </message>
    <message>
        <source>Connecting...</source>
        <translation>Conectando...</translation>
    </message>
    <message>
        <source>Copy ID</source>
        <translation>Copiar ID</translation>
    </message>
    <message>
        <source>PASSWORD</source>
        <translation>CONTRASEÑA</translation>
    </message>
    <message>
        <source>Copy Password</source>
        <translation>Copiar contraseña</translation>
    </message>
    <message>
        <source>Change Password</source>
        <translation>Cambiar contraseña</translation>
    </message>
    <message>
        <source>CONNECT TO PARTNER</source>
        <translation>CONECTAR CON UN SOCIO</translation>
    </message>
    <message>
        <source>Partner ID  (XXX XXX XXX)</source>
        <translation>ID del socio  (XXX XXX XXX)</translation>
    </message>
    <message>
        <source>Add to favorites</source>
        <translation>Añadir a favoritos</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Contraseña</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Conectar</translation>
    </message>
    <message>
        <source>Wake-on-LAN</source>
        <translation>Wake-on-LAN</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Desconectar</translation>
    </message>
    <message>
        <source>PAIRING CODE</source>
        <translation>CÓDIGO DE EMPAREJAMIENTO</translation>
    </message>
    <message>
        <source>Copy Pairing Code</source>
        <translation>Copiar código de emparejamiento</translation>
    </message>
    <message>
        <source>Add this device at</source>
        <translation>Añade este dispositivo en</translation>
    </message>
    <message>
        <source>Info  (Ctrl+Shift+I)</source>
        <translation>Información  (Ctrl+Mayús+I)</translation>
    </message>
    <message>
        <source>Files  (Ctrl+Shift+F)</source>
        <translation>Archivos  (Ctrl+Mayús+F)</translation>
    </message>
    <message>
        <source>Chat  (Ctrl+Shift+C)</source>
        <translation>Chat  (Ctrl+Mayús+C)</translation>
    </message>
    <message>
        <source>Scale Mode  (Ctrl+Shift+Q)</source>
        <translation>Escala  (Ctrl+Mayús+Q)</translation>
    </message>
    <message>
        <source>Fit to Window</source>
        <translation>Ajustar a la ventana</translation>
    </message>
    <message>
        <source>Stretch to Fill</source>
        <translation>Estirar para llenar</translation>
    </message>
    <message>
        <source>Original Size</source>
        <translation>Tamaño original</translation>
    </message>
    <message>
        <source>Switch Monitor</source>
        <translation>Cambiar de monitor</translation>
    </message>
    <message>
        <source>Monitor %1</source>
        <translation>Monitor %1</translation>
    </message>
    <message>
        <source>Fullscreen  (F11)</source>
        <translation>Pantalla completa  (F11)</translation>
    </message>
    <message>
        <source>Connection: Good</source>
        <translation>Conexión: buena</translation>
    </message>
    <message>
        <source>Disconnect  (Ctrl+Shift+D)</source>
        <translation>Desconectar  (Ctrl+Mayús+D)</translation>
    </message>
    <message>
        <source>This display cannot show the remote screen (no OpenGL).</source>
        <translation>Esta pantalla no puede mostrar el escritorio remoto (sin OpenGL).</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Please enter a partner Client ID.</source>
        <translation>Introduce el ID de cliente del socio.</translation>
    </message>
    <message>
        <source>Partner ID must be exactly 9 digits.</source>
        <translation>El ID del socio debe tener exactamente 9 dígitos.</translation>
    </message>
    <message>
        <source>Please enter the partner's password.</source>
        <translation>Introduce la contraseña del socio.</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>Listo</translation>
    </message>
    <message>
        <source>Ready. Your ID: %1</source>
        <translation>Listo. Tu ID: %1</translation>
    </message>
    <message>
        <source>Not connected</source>
        <translation>No conectado</translation>
    </message>
    <message>
        <source>Disconnected</source>
        <translation>Desconectado</translation>
    </message>
    <message>
        <source>Online (Ready)</source>
        <translation>En línea (listo)</translation>
    </message>
    <message>
        <source>Reconnecting...</source>
        <translation>Reconectando...</translation>
    </message>
    <message>
        <source>Client %1 wants to connect.
Purpose: %2

Accept?</source>
        <translation>El cliente %1 quiere conectarse.
Motivo: %2

¿Aceptar?</translation>
    </message>
    <message>
        <source>remote access</source>
        <translation>acceso remoto</translation>
    </message>
    <message>
        <source>Incoming Connection</source>
        <translation>Conexión entrante</translation>
    </message>
    <message>
        <source>Incoming connection from </source>
        <translation>Conexión entrante de </translation>
    </message>
    <message>
        <source>Initiating session...</source>
        <translation>Iniciando la sesión...</translation>
    </message>
    <message>
        <source>Exchanging keys...</source>
        <translation>Intercambiando claves...</translation>
    </message>
    <message>
        <source>Establishing transport...</source>
        <translation>Estableciendo el transporte...</translation>
    </message>
    <message>
        <source>Connected</source>
        <translation>Conectado</translation>
    </message>
    <message>
        <source>Nimbral - Connected to %1</source>
        <translation>Nimbral - Conectado a %1</translation>
    </message>
    <message>
        <source>Remote session active — sharing your screen.</source>
        <translation>Sesión remota activa — estás compartiendo tu pantalla.</translation>
    </message>
    <message>
        <source>Disconnecting...</source>
        <translation>Desconectando...</translation>
    </message>
    <message>
        <source>Session failed</source>
        <translation>La sesión ha fallado</translation>
    </message>
    <message>
        <source>Session failed.</source>
        <translation>La sesión ha fallado.</translation>
    </message>
    <message>
        <source>Session Error</source>
        <translation>Error de sesión</translation>
    </message>
    <message>
        <source>Application minimized to system tray.</source>
        <translation>Aplicación minimizada en la bandeja del sistema.</translation>
    </message>
    <message>
        <source>Change Session Password</source>
        <translation>Cambiar la contraseña de sesión</translation>
    </message>
    <message>
        <source>New password (min 8 chars, uppercase + lowercase + digit):</source>
        <translation>Nueva contraseña (mín. 8 caracteres, mayúscula + minúscula + dígito):</translation>
    </message>
    <message>
        <source>Invalid Password</source>
        <translation>Contraseña no válida</translation>
    </message>
    <message>
        <source>Wake-on-LAN packet sent to %1</source>
        <translation>Paquete Wake-on-LAN enviado a %1</translation>
    </message>
    <message>
        <source>Chat</source>
        <translation>Chat</translation>
    </message>
    <message>
        <source>Remote</source>
        <translation>Socio</translation>
    </message>
    <message>
        <source>Chat (!)</source>
        <translation>Chat (!)</translation>
    </message>
    <message>
        <source>Good</source>
        <translation>Buena</translation>
    </message>
    <message>
        <source>Fair</source>
        <translation>Regular</translation>
    </message>
    <message>
        <source>Poor</source>
        <translation>Mala</translation>
    </message>
    <message>
        <source>%1 (%2 FPS, %3ms)</source>
        <translation>%1 (%2 FPS, %3 ms)</translation>
    </message>
    <message>
        <source>Downloading... %1%</source>
        <translation>Descargando... %1%</translation>
    </message>
    <message>
        <source>Update Now</source>
        <translation>Actualizar ahora</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>Actualización</translation>
    </message>
    <message>
        <source>Update available: v%1</source>
        <translation>Actualización disponible: v%1</translation>
    </message>
    <message>
        <source>Downloading...</source>
        <translation>Descargando...</translation>
    </message>
    <message>
        <source>Could not start the installer.</source>
        <translation>No se pudo iniciar el instalador.</translation>
    </message>
    <message>
        <source>The connection to the server is not encrypted</source>
        <translation>La conexión con el servidor no está cifrada</translation>
    </message>
    <message>
        <source>Client %1 wants to connect with your pairing code.

Security code: %2
Ask your partner to read out the code on their screen: accept only if it is the same.

Partner's device key: %3

Accept?</source>
        <translation>El cliente %1 quiere conectarse con su código de emparejamiento.

Código de seguridad: %2
Pida a su socio que lea el código de su pantalla: acepte solo si es el mismo.

Clave del dispositivo del socio: %3

¿Aceptar?</translation>
    </message>
    <message>
        <source>Device Key Changed</source>
        <translation>La clave del dispositivo ha cambiado</translation>
    </message>
    <message>
        <source>Trust the new key and connect?</source>
        <translation>¿Confiar en la nueva clave y conectar?</translation>
    </message>
    <message>
        <source>security code %1</source>
        <translation>código de seguridad %1</translation>
    </message>
    <message>
        <source>Not verified</source>
        <translation>No verificada</translation>
    </message>
    <message>
        <source>Nimbral - Connected to %1 (%2)</source>
        <translation>Nimbral - Conectado a %1 (%2)</translation>
    </message>
    <message>
        <source>Device key: %1</source>
        <translation>Clave del dispositivo: %1</translation>
    </message>
    <message>
        <source>The Wake-on-LAN packet to %1 could not be sent.</source>
        <translation>No se pudo enviar el paquete Wake-on-LAN a %1.</translation>
    </message>
    <message>
        <source>%1 (idle, %2ms)</source>
        <translation>%1 (inactivo, %2 ms)</translation>
    </message>
    <message>
        <source>Sharing this screen with %1 since %2</source>
        <translation>Esta pantalla se comparte con %1 desde las %2</translation>
    </message>
    <message>
        <source>Show password</source>
        <translation>Mostrar contraseña</translation>
    </message>
    <message>
        <source>FAVORITES</source>
        <translation>FAVORITOS</translation>
    </message>
    <message>
        <source>Copied</source>
        <translation>Copiado</translation>
    </message>
    <message>
        <source>Wake-on-LAN starts the partner's computer through its network card. Enter that card's MAC address: six pairs of hexadecimal digits, such as 00:1A:2B:3C:4D:5E. On the partner's computer, "ip link" (Linux) or "getmac" (Windows) shows it.</source>
        <translation>Wake-on-LAN enciende el equipo del compañero a través de su tarjeta de red. Introduzca la dirección MAC de esa tarjeta: seis pares de dígitos hexadecimales, por ejemplo 00:1A:2B:3C:4D:5E. En el equipo del compañero la muestra "ip link" (Linux) o "getmac" (Windows).</translation>
    </message>
    <message>
        <source>"%1" is not a MAC address: it has six pairs of hexadecimal digits, such as 00:1A:2B:3C:4D:5E.</source>
        <translation>"%1" no es una dirección MAC: tiene seis pares de dígitos hexadecimales, por ejemplo 00:1A:2B:3C:4D:5E.</translation>
    </message>
    <message>
        <source>Hide password</source>
        <translation>Ocultar contraseña</translation>
    </message>
    <message>
        <source>Reconnect</source>
        <translation>Reconectar</translation>
    </message>
    <message>
        <source>Connection to partner %1 lost: reconnecting (attempt %2 of %3)...</source>
        <translation>Conexión con el socio %1 perdida: reconectando (intento %2 de %3)...</translation>
    </message>
    <message>
        <source>Session Ended</source>
        <translation>Sesión finalizada</translation>
    </message>
    <message>
        <source>Partner %1 ended the session.</source>
        <translation>El socio %1 finalizó la sesión.</translation>
    </message>
    <message>
        <source>Connection Lost</source>
        <translation>Conexión perdida</translation>
    </message>
    <message>
        <source>The connection to partner %1 was lost.</source>
        <translation>Se perdió la conexión con el socio %1.</translation>
    </message>
    <message>
        <source>The connection to partner %1 was lost, and %2 attempts to reconnect failed.</source>
        <translation>Se perdió la conexión con el socio %1 y fallaron %2 intentos de reconexión.</translation>
    </message>
    <message>
        <source>Another session is under way.</source>
        <translation>Hay otra sesión en curso.</translation>
    </message>
    <message>
        <source>Monitor %1: %2 (%3 × %4)</source>
        <translation>Monitor %1: %2 (%3 × %4)</translation>
    </message>
    <message>
        <source>Monitor %1 is not available on the partner's computer.</source>
        <translation>El monitor %1 no está disponible en el equipo del socio.</translation>
    </message>
    <message>
        <source>The partner's screen cannot be shown: their desktop offers no way to share it.</source>
        <translation>No se puede mostrar la pantalla del compañero: su escritorio no ofrece ninguna forma de compartirla.</translation>
    </message>
    <message>
        <source>Scale: %1</source>
        <translation>Escala: %1</translation>
    </message>
</context>
<context>
    <name>nimbral::SessionManager</name>
    <message>
        <source>Crypto error: %1</source>
        <translation>Error criptográfico: %1</translation>
    </message>
    <message>
        <source>ECDH key derivation failed</source>
        <translation>Error en la derivación de la clave ECDH</translation>
    </message>
    <message>
        <source>Cipher error: %1</source>
        <translation>Error de cifrado: %1</translation>
    </message>
    <message>
        <source>Cannot initiate session: not idle</source>
        <translation>No se puede iniciar la sesión: hay otra en curso</translation>
    </message>
    <message>
        <source>Server returned invalid session data</source>
        <translation>El servidor devolvió datos de sesión no válidos</translation>
    </message>
    <message>
        <source>Missing target ECDH public key</source>
        <translation>Falta la clave pública ECDH del destino</translation>
    </message>
    <message>
        <source>Cannot accept session: not idle</source>
        <translation>No se puede aceptar la sesión: hay otra en curso</translation>
    </message>
    <message>
        <source>Transport failed: %1</source>
        <translation>Error de transporte: %1</translation>
    </message>
    <message>
        <source>Partner did not respond</source>
        <translation>El socio no respondió</translation>
    </message>
    <message>
        <source>Failed to start screen capture.</source>
        <translation>No se pudo iniciar la captura de pantalla.</translation>
    </message>
    <message>
        <source>Too many wrong passwords for partner %1: wait a few minutes, then try again</source>
        <translation>Demasiadas contraseñas incorrectas para el socio %1: espere unos minutos y vuelva a intentarlo</translation>
    </message>
    <message>
        <source>Partner %1 declined the session</source>
        <translation>El socio %1 rechazó la sesión</translation>
    </message>
    <message>
        <source>Wrong password for partner %1: check it, or ask them for the current one</source>
        <translation>Contraseña incorrecta para el compañero %1: compruébela o pida la actual</translation>
    </message>
    <message>
        <source>Partner %1 is unknown: check the ID</source>
        <translation>El compañero %1 es desconocido: compruebe el ID</translation>
    </message>
    <message>
        <source>Partner %1 is offline: ask them to open Nimbral</source>
        <translation>El compañero %1 está desconectado: pídale que abra Nimbral</translation>
    </message>
    <message>
        <source>%1 is this device's own ID: enter the partner's ID</source>
        <translation>%1 es el ID de este dispositivo: introduzca el ID del compañero</translation>
    </message>
    <message>
        <source>Partner %1 could not be reached: try again in a moment</source>
        <translation>No se pudo contactar con el compañero %1: inténtelo de nuevo en un momento</translation>
    </message>
    <message>
        <source>Partner %1 is busy with other connection requests: try again in a moment</source>
        <translation>El socio %1 está ocupado con otras solicitudes de conexión: vuelva a intentarlo en un momento</translation>
    </message>
    <message>
        <source>Partner %1 accepts only verified sessions</source>
        <translation>El socio %1 solo acepta sesiones verificadas</translation>
    </message>
    <message>
        <source>Partner %1 could not check this device's key</source>
        <translation>El socio %1 no pudo comprobar la clave de este dispositivo</translation>
    </message>
    <message>
        <source>Partner %1 ended the session before it started</source>
        <translation>El socio %1 terminó la sesión antes de que empezara</translation>
    </message>
    <message>
        <source>The password exchange could not be started</source>
        <translation>No se pudo iniciar el intercambio de contraseña</translation>
    </message>
    <message>
        <source>Partner %1 cannot open a verified session, and this device accepts only verified sessions</source>
        <translation>El socio %1 no puede abrir una sesión verificada y este dispositivo solo acepta sesiones verificadas</translation>
    </message>
    <message>
        <source>Partner %1 verified its sessions before and now offers only an unverified one. Not connected: someone may be posing as it.</source>
        <translation>El socio %1 verificaba antes sus sesiones y ahora solo ofrece una sin verificar. No conectado: alguien puede estar haciéndose pasar por él.</translation>
    </message>
    <message>
        <source>Partner %1 did not prove its device key. Not connected.</source>
        <translation>El socio %1 no demostró la clave de su dispositivo. No conectado.</translation>
    </message>
    <message>
        <source>The device key of partner %1 has changed.

Before: %2
Now: %3

If the partner's device was set up again, you can trust the new key; otherwise someone may be posing as it. Not connected.</source>
        <translation>La clave del dispositivo del socio %1 ha cambiado.

Antes: %2
Ahora: %3

Si el dispositivo del socio se configuró de nuevo, puede confiar en la nueva clave; de lo contrario, alguien puede estar haciéndose pasar por él. No conectado.</translation>
    </message>
</context>
<context>
    <name>nimbral::SessionNotice</name>
    <message>
        <source>Partner %1 sees and controls this screen</source>
        <translation>El socio %1 ve y controla esta pantalla</translation>
    </message>
    <message>
        <source>End session</source>
        <translation>Finalizar sesión</translation>
    </message>
    <message>
        <source>Looking at files in %1</source>
        <translation>Está viendo los archivos de %1</translation>
    </message>
    <message>
        <source>Copying %1 from this computer</source>
        <translation>Está copiando %1 desde este equipo</translation>
    </message>
    <message>
        <source>Copying %1 to this computer</source>
        <translation>Está copiando %1 a este equipo</translation>
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
        <translation>, principal</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Configuración</translation>
    </message>
    <message>
        <source>Display</source>
        <translation>Pantalla</translation>
    </message>
    <message>
        <source>Network</source>
        <translation>Red</translation>
    </message>
    <message>
        <source>Advanced</source>
        <translation>Avanzado</translation>
    </message>
    <message>
        <source>System default</source>
        <translation>Predeterminado del sistema</translation>
    </message>
    <message>
        <source>Application language. Requires restart to take effect.</source>
        <translation>Idioma de la aplicación. Requiere reiniciar para aplicarse.</translation>
    </message>
    <message>
        <source>Language:</source>
        <translation>Idioma:</translation>
    </message>
    <message>
        <source>Optimize Quality</source>
        <translation>Priorizar la calidad</translation>
    </message>
    <message>
        <source>Optimize Speed</source>
        <translation>Priorizar la velocidad</translation>
    </message>
    <message>
        <source>Quality: 24 fps, sharp image, higher bandwidth.
Speed: 10 fps, lower bandwidth and CPU usage.</source>
        <translation>Calidad: 24 fps, imagen nítida, más ancho de banda.
Velocidad: 10 fps, menos ancho de banda y uso de CPU.</translation>
    </message>
    <message>
        <source>Display mode:</source>
        <translation>Modo de visualización:</translation>
    </message>
    <message>
        <source>Select which monitor to share when someone connects to this device.</source>
        <translation>Elige qué monitor se comparte cuando alguien se conecta a este dispositivo.</translation>
    </message>
    <message>
        <source>Capture monitor:</source>
        <translation>Monitor capturado:</translation>
    </message>
    <message>
        <source>Enable clipboard sharing</source>
        <translation>Activar el portapapeles compartido</translation>
    </message>
    <message>
        <source>Synchronise clipboard content between the local and remote machines.</source>
        <translation>Sincronizar el contenido del portapapeles entre el equipo local y el remoto.</translation>
    </message>
    <message>
        <source>Auto-reconnect on disconnect</source>
        <translation>Reconectar automáticamente tras una desconexión</translation>
    </message>
    <message>
        <source>Automatically attempt to re-establish the connection after an unexpected disconnect.</source>
        <translation>Intentar restablecer la conexión automáticamente tras una desconexión inesperada.</translation>
    </message>
    <message>
        <source>Maximum number of consecutive reconnection attempts before giving up.</source>
        <translation>Número máximo de intentos de reconexión seguidos antes de rendirse.</translation>
    </message>
    <message>
        <source>Max reconnect attempts:</source>
        <translation>Máx. intentos de reconexión:</translation>
    </message>
    <message>
        <source>Start when I log in</source>
        <translation>Iniciar al iniciar sesión</translation>
    </message>
    <message>
        <source>Automatically start Nimbral when you log in to your desktop session.</source>
        <translation>Iniciar Nimbral automáticamente al iniciar tu sesión de escritorio.</translation>
    </message>
    <message>
        <source>Run as system service (unattended)</source>
        <translation>Ejecutar como servicio del sistema (desatendido)</translation>
    </message>
    <message>
        <source>Install NimbralService as a systemd service that runs at boot,
even when no user is logged in. Requires administrator privileges.</source>
        <translation>Instalar NimbralService como servicio de systemd que se ejecuta al arrancar,
aunque no haya ningún usuario conectado. Requiere privilegios de administrador.</translation>
    </message>
    <message>
        <source>Minimize to tray on close</source>
        <translation>Minimizar en la bandeja al cerrar</translation>
    </message>
    <message>
        <source>Keep the application running in the system tray when the window is closed.</source>
        <translation>Mantener la aplicación en la bandeja del sistema al cerrar la ventana.</translation>
    </message>
    <message>
        <source>Language Changed</source>
        <translation>Idioma cambiado</translation>
    </message>
    <message>
        <source>Accept only verified sessions</source>
        <translation>Aceptar solo sesiones verificadas</translation>
    </message>
    <message>
        <source>Refuse partners that cannot prove the password to this device themselves (older versions). The password and the pairing code then never leave this device.</source>
        <translation>Rechazar a los socios que no pueden demostrar la contraseña a este dispositivo por sí mismos (versiones anteriores). La contraseña y el código de emparejamiento nunca salen entonces de este dispositivo.</translation>
    </message>
    <message>
        <source>Restart now</source>
        <translation>Reiniciar ahora</translation>
    </message>
    <message>
        <source>Later</source>
        <translation>Más tarde</translation>
    </message>
    <message>
        <source>The new language takes effect when Nimbral starts again.</source>
        <translation>El nuevo idioma se aplicará cuando Nimbral se inicie de nuevo.</translation>
    </message>
</context>
<context>
    <name>nimbral::SystemTrayIcon</name>
    <message>
        <source>Show</source>
        <translation>Mostrar</translation>
    </message>
    <message>
        <source>Status: Disconnected</source>
        <translation>Estado: Desconectado</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Desconectar</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Salir</translation>
    </message>
    <message>
        <source>Nimbral - Remote Access</source>
        <translation>Nimbral - Acceso remoto</translation>
    </message>
    <message>
        <source>Incoming Connection</source>
        <translation>Conexión entrante</translation>
    </message>
    <message>
        <source>Client %1 is requesting a remote connection.</source>
        <translation>El cliente %1 solicita una conexión remota.</translation>
    </message>
</context>
<context>
    <name>nimbral::UpdateService</name>
    <message>
        <source>The update address is not secure — update aborted.</source>
        <translation>La dirección de la actualización no es segura — actualización cancelada.</translation>
    </message>
    <message>
        <source>Downloaded file is too small — update aborted.</source>
        <translation>El archivo descargado es demasiado pequeño — actualización cancelada.</translation>
    </message>
    <message>
        <source>Downloaded file does not match its checksum — update aborted.</source>
        <translation>El archivo descargado no coincide con su suma de comprobación — actualización cancelada.</translation>
    </message>
    <message>
        <source>Cannot write to temp directory.</source>
        <translation>No se puede escribir en la carpeta temporal.</translation>
    </message>
    <message>
        <source>Failed to extract installer from zip.</source>
        <translation>No se pudo extraer el instalador del archivo zip.</translation>
    </message>
    <message>
        <source>The update is not from a verified release — update aborted.</source>
        <translation>La actualización no procede de una versión verificada — actualización cancelada.</translation>
    </message>
</context>
</TS>
