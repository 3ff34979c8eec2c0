<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>nimbral::AuthController</name>
    <message>
        <source>Password must be at least 8 characters.</source>
        <translation>Password must be at least 8 characters.</translation>
    </message>
    <message>
        <source>Password must be at most 256 characters.</source>
        <translation>Password must be at most 256 characters.</translation>
    </message>
    <message>
        <source>Password must contain at least one lowercase letter.</source>
        <translation>Password must contain at least one lowercase letter.</translation>
    </message>
    <message>
        <source>Password must contain at least one uppercase letter.</source>
        <translation>Password must contain at least one uppercase letter.</translation>
    </message>
    <message>
        <source>Password must contain at least one digit.</source>
        <translation>Password must contain at least one digit.</translation>
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
        <translation>Type a message…</translation>
    </message>
    <message>
        <source>Send</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>Me</source>
        <translation>Me</translation>
    </message>
</context>
<context>
    <name>nimbral::ConnectionDialog</name>
    <message>
        <source>Nimbral - Connect</source>
        <translation>Nimbral - Connect</translation>
    </message>
    <message>
        <source>Server:</source>
        <translation>Server:</translation>
    </message>
    <message>
        <source>Username</source>
        <translation>Username</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>Login</source>
        <translation>Login</translation>
    </message>
    <message>
        <source>Username:</source>
        <translation>Username:</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>Password:</translation>
    </message>
    <message>
        <source>Password (min 8 chars)</source>
        <translation>Password (min 8 chars)</translation>
    </message>
    <message>
        <source>My PC</source>
        <translation>My PC</translation>
    </message>
    <message>
        <source>Register</source>
        <translation>Register</translation>
    </message>
    <message>
        <source>Client Name:</source>
        <translation>Client Name:</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Please fill in all fields.</source>
        <translation>Please fill in all fields.</translation>
    </message>
    <message>
        <source>Please fill in username and password.</source>
        <translation>Please fill in username and password.</translation>
    </message>
    <message>
        <source>Password must be at least 8 characters.</source>
        <translation>Password must be at least 8 characters.</translation>
    </message>
</context>
<context>
    <name>nimbral::ConnectionInfoDialog</name>
    <message>
        <source>Connection Information</source>
        <translation>Connection Information</translation>
    </message>
    <message>
        <source>Session</source>
        <translation>Session</translation>
    </message>
    <message>
        <source>Session ID:</source>
        <translation>Session ID:</translation>
    </message>
    <message>
        <source>Remote ID:</source>
        <translation>Remote ID:</translation>
    </message>
    <message>
        <source>Role:</source>
        <translation>Role:</translation>
    </message>
    <message>
        <source>Master (Viewer)</source>
        <translation>Master (Viewer)</translation>
    </message>
    <message>
        <source>Target (Sharing)</source>
        <translation>Target (Sharing)</translation>
    </message>
    <message>
        <source>Transport:</source>
        <translation>Transport:</translation>
    </message>
    <message>
        <source>Connection Quality</source>
        <translation>Connection Quality</translation>
    </message>
    <message>
        <source>FPS:</source>
        <translation>FPS:</translation>
    </message>
    <message>
        <source>Latency:</source>
        <translation>Latency:</translation>
    </message>
    <message>
        <source>Bandwidth:</source>
        <translation>Bandwidth:</translation>
    </message>
    <message>
        <source>Sent:</source>
        <translation>Sent:</translation>
    </message>
    <message>
        <source>Received:</source>
        <translation>Received:</translation>
    </message>
    <message>
        <source>Dropped Frames:</source>
        <translation>Dropped Frames:</translation>
    </message>
    <message>
        <source>Uptime:</source>
        <translation>Uptime:</translation>
    </message>
    <message>
        <source>Verification</source>
        <translation>Verification</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Status:</translation>
    </message>
    <message>
        <source>Verified</source>
        <translation>Verified</translation>
    </message>
    <message>
        <source>Not verified</source>
        <translation>Not verified</translation>
    </message>
    <message>
        <source>Security code:</source>
        <translation>Security code:</translation>
    </message>
    <message>
        <source>Partner's device key:</source>
        <translation>Partner's device key:</translation>
    </message>
    <message>
        <source>This device's key:</source>
        <translation>This device's key:</translation>
    </message>
</context>
<context>
    <name>nimbral::FileManagerDialog</name>
    <message>
        <source>%v of %m files</source>
        <translation>%v of %m files</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>%1/s, %2 left</source>
        <translation>%1/s, %2 left</translation>
    </message>
    <message>
        <source>Transfer cancelled</source>
        <translation>Transfer cancelled</translation>
    </message>
    <message>
        <source>File Manager</source>
        <translation>File Manager</translation>
    </message>
    <message>
        <source>&lt;b&gt;Remote Computer&lt;/b&gt;</source>
        <translation>&lt;b&gt;Remote Computer&lt;/b&gt;</translation>
    </message>
    <message>
        <source>Go up one directory</source>
        <translation>Go up one directory</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>Download selected remote file to local</source>
        <translation>Download selected remote file to local</translation>
    </message>
    <message>
        <source>Upload selected local file to remote</source>
        <translation>Upload selected local file to remote</translation>
    </message>
    <message>
        <source>&lt;b&gt;Local Computer&lt;/b&gt;</source>
        <translation>&lt;b&gt;Local Computer&lt;/b&gt;</translation>
    </message>
    <message>
        <source>&lt;b&gt;Remote: &lt;/b&gt;%1</source>
        <translation>&lt;b&gt;Remote: &lt;/b&gt;%1</translation>
    </message>
    <message>
        <source>Loading remote directory...</source>
        <translation>Loading remote directory...</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Folder</translation>
    </message>
    <message>
        <source>File</source>
        <translation>File</translation>
    </message>
    <message>
        <source>%1 items</source>
        <translation>%1 items</translation>
    </message>
    <message>
        <source>Select one or more remote files to download.</source>
        <translation>Select one or more remote files to download.</translation>
    </message>
    <message>
        <source>No files selected (folders are skipped).</source>
        <translation>No files selected (folders are skipped).</translation>
    </message>
    <message>
        <source>Overwrite?</source>
        <translation>Overwrite?</translation>
    </message>
    <message>
        <source>These files already exist locally and will be overwritten:
%1

Continue?</source>
        <translation>These files already exist locally and will be overwritten:
%1

Continue?</translation>
    </message>
    <message>
        <source>Downloading %1 of %2: %3</source>
        <translation>Downloading %1 of %2: %3</translation>
    </message>
    <message>
        <source>Downloaded: %1 — %2 remaining</source>
        <translation>Downloaded: %1 — %2 remaining</translation>
    </message>
    <message>
        <source>All downloads complete.</source>
        <translation>All downloads complete.</translation>
    </message>
    <message>
        <source>Select one or more local files to upload.</source>
        <translation>Select one or more local files to upload.</translation>
    </message>
    <message>
        <source>These files already exist on the remote and will be overwritten:
%1

Continue?</source>
        <translation>These files already exist on the remote and will be overwritten:
%1

Continue?</translation>
    </message>
    <message>
        <source>Uploading %1 of %2: %3</source>
        <translation>Uploading %1 of %2: %3</translation>
    </message>
    <message>
        <source>All uploads complete.</source>
        <translation>All uploads complete.</translation>
    </message>
    <message>
        <source>Error: %1</source>
        <translation>Error: %1</translation>
    </message>
    <message>
        <source>Refused an unsafe name in the folder: %1</source>
        <translation>Refused an unsafe name in the folder: %1</translation>
    </message>
    <message>
        <source>Listing folder %1...</source>
        <translation>Listing folder %1...</translation>
    </message>
    <message>
        <source>Folder too large: %1</source>
        <translation>Folder too large: %1</translation>
    </message>
    <message>
        <source>Cannot write to local file: %1</source>
        <translation>Cannot write to local file: %1</translation>
    </message>
    <message>
        <source>Refused an unsafe name in the listing: %1</source>
        <translation>Refused an unsafe name in the listing: %1</translation>
    </message>
    <message>
        <source>Drives</source>
        <translation>Drives</translation>
    </message>
    <message>
        <source>File system (/)</source>
        <translation>File system (/)</translation>
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
        <translation>Transfer cancelled</translation>
    </message>
    <message>
        <source>Transfer corrupted, checksum mismatch: %1</source>
        <translation>Transfer corrupted, checksum mismatch: %1</translation>
    </message>
    <message>
        <source>Cannot open local file: %1</source>
        <translation>Cannot open local file: %1</translation>
    </message>
    <message>
        <source>File too large to transfer: %1 (%2 bytes, at most %3)</source>
        <translation>File too large to transfer: %1 (%2 bytes, at most %3)</translation>
    </message>
    <message>
        <source>Remote file download failed</source>
        <translation>Remote file download failed</translation>
    </message>
    <message>
        <source>Cannot write to local file: %1</source>
        <translation>Cannot write to local file: %1</translation>
    </message>
    <message>
        <source>Refused an unsafe name in the folder: %1</source>
        <translation>Refused an unsafe name in the folder: %1</translation>
    </message>
</context>
<context>
    <name>nimbral::MainWindow</name>
    <message>
        <source>Nimbral - Remote Access</source>
        <translation>Nimbral - Remote Access</translation>
    </message>
    <message>
        <source>Server unavailable — retrying...</source>
        <translation>Server unavailable — retrying...</translation>
    </message>
    <message>
        <source>Admin Panel</source>
        <translation>Admin Panel</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>YOUR ID</source>
        <translation>YOUR ID</translation>
    </message>
    <message>
        <source>Connecting...</source>
        <translation>Connecting...</translation>
    </message>
    <message>
        <source>Copy ID</source>
        <translation>Copy ID</translation>
    </message>
    <message>
        <source>PASSWORD</source>
        <translation>PASSWORD</translation>
    </message>
    <message>
        <source>Copy Password</source>
        <translation>Copy Password</translation>
    </message>
    <message>
        <source>Change Password</source>
        <translation>Change Password</translation>
    </message>
    <message>
        <source>CONNECT TO PARTNER</source>
        <translation>CONNECT TO PARTNER</translation>
    </message>
    <message>
        <source>Partner ID  (XXX XXX XXX)</source>
        <translation>Partner ID  (XXX XXX XXX)</translation>
    </message>
    <message>
        <source>Add to favorites</source>
        <translation>Add to favorites</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>Wake-on-LAN</source>
        <translation>Wake-on-LAN</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Disconnect</translation>
    </message>
    <message>
        <source>PAIRING CODE</source>
        <translation>PAIRING CODE</translation>
    </message>
    <message>
        <source>Copy Pairing Code</source>
        <translation>Copy Pairing Code</translation>
    </message>
    <message>
        <source>Add this device at</source>
        <translation>Add this device at</translation>
    </message>
    <message>
        <source>Info  (Ctrl+Shift+I)</source>
        <translation>Info  (Ctrl+Shift+I)</translation>
    </message>
    <message>
        <source>Files  (Ctrl+Shift+F)</source>
        <translation>Files  (Ctrl+Shift+F)</translation>
    </message>
    <message>
        <source>Chat  (Ctrl+Shift+C)</source>
        <translation>Chat  (Ctrl+Shift+C)</translation>
    </message>
    <message>
        <source>Scale Mode  (Ctrl+Shift+Q)</source>
        <translation>Scale Mode  (Ctrl+Shift+Q)</translation>
    </message>
    <message>
        <source>Fit to Window</source>
        <translation>Fit to Window</translation>
    </message>
    <message>
        <source>Stretch to Fill</source>
        <translation>Stretch to Fill</translation>
    </message>
    <message>
        <source>Original Size</source>
        <translation>Original Size</translation>
    </message>
    <message>
        <source>Switch Monitor</source>
        <translation>Switch Monitor</translation>
    </message>
    <message>
        <source>Monitor %1</source>
        <translation>Monitor %1</translation>
    </message>
    <message>
        <source>Fullscreen  (F11)</source>
        <translation>Fullscreen  (F11)</translation>
    </message>
    <message>
        <source>Connection: Good</source>
        <translation>Connection: Good</translation>
    </message>
    <message>
        <source>Disconnect  (Ctrl+Shift+D)</source>
        <translation>Disconnect  (Ctrl+Shift+D)</translation>
    </message>
    <message>
        <source>This display cannot show the remote screen (no OpenGL).</source>
        <translation>This display cannot show the remote screen (no OpenGL).</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Please enter a partner Client ID.</source>
        <translation>Please enter a partner Client ID.</translation>
    </message>
    <message>
        <source>Partner ID must be exactly 9 digits.</source>
        <translation>Partner ID must be exactly 9 digits.</translation>
    </message>
    <message>
        <source>Please enter the partner's password.</source>
        <translation>Please enter the partner's password.</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>Ready</translation>
    </message>
    <message>
        <source>Ready. Your ID: %1</source>
        <translation>Ready. Your ID: %1</translation>
    </message>
    <message>
        <source>Not connected</source>
        <translation>Not connected</translation>
    </message>
    <message>
        <source>Disconnected</source>
        <translation>Disconnected</translation>
    </message>
    <message>
        <source>Online (Ready)</source>
        <translation>Online (Ready)</translation>
    </message>
    <message>
        <source>Reconnecting...</source>
        <translation>Reconnecting...</translation>
    </message>
    <message>
        <source>Client %1 wants to connect.
Purpose: %2

Accept?</source>
        <translation>Client %1 wants to connect.
Purpose: %2

Accept?</translation>
    </message>
    <message>
        <source>remote access</source>
        <translation>remote access</translation>
    </message>
    <message>
        <source>Incoming Connection</source>
        <translation>Incoming Connection</translation>
    </message>
    <message>
        <source>Incoming connection from </source>
        <translation>Incoming connection from </translation>
    </message>
    <message>
        <source>Initiating session...</source>
        <translation>Initiating session...</translation>
    </message>
    <message>
        <source>Exchanging keys...</source>
        <translation>Exchanging keys...</translation>
    </message>
    <message>
        <source>Establishing transport...</source>
        <translation>Establishing transport...</translation>
    </message>
    <message>
        <source>Connected</source>
        <translation>Connected</translation>
    </message>
    <message>
        <source>Nimbral - Connected to %1</source>
        <translation>Nimbral - Connected to %1</translation>
    </message>
    <message>
        <source>Remote session active — sharing your screen.</source>
        <translation>Remote session active — sharing your screen.</translation>
    </message>
    <message>
        <source>Disconnecting...</source>
        <translation>Disconnecting...</translation>
    </message>
    <message>
        <source>Session failed</source>
        <translation>Session failed</translation>
    </message>
    <message>
        <source>Session failed.</source>
        <translation>Session failed.</translation>
    </message>
    <message>
        <source>Session Error</source>
        <translation>Session Error</translation>
    </message>
    <message>
        <source>Application minimized to system tray.</source>
        <translation>Application minimized to system tray.</translation>
    </message>
    <message>
        <source>Change Session Password</source>
        <translation>Change Session Password</translation>
    </message>
    <message>
        <source>New password (min 8 chars, uppercase + lowercase + digit):</source>
        <translation>New password (min 8 chars, uppercase + lowercase + digit):</translation>
    </message>
    <message>
        <source>Invalid Password</source>
        <translation>Invalid Password</translation>
    </message>
    <message>
        <source>Wake-on-LAN packet sent to %1</source>
        <translation>Wake-on-LAN packet sent to %1</translation>
    </message>
    <message>
        <source>Chat</source>
        <translation>Chat</translation>
    </message>
    <message>
        <source>Remote</source>
        <translation>Remote</translation>
    </message>
    <message>
        <source>Chat (!)</source>
        <translation>Chat (!)</translation>
    </message>
    <message>
        <source>Good</source>
        <translation>Good</translation>
    </message>
    <message>
        <source>Fair</source>
        <translation>Fair</translation>
    </message>
    <message>
        <source>Poor</source>
        <translation>Poor</translation>
    </message>
    <message>
        <source>%1 (%2 FPS, %3ms)</source>
        <translation>%1 (%2 FPS, %3ms)</translation>
    </message>
    <message>
        <source>Downloading... %1%</source>
        <translation>Downloading... %1%</translation>
    </message>
    <message>
        <source>Update Now</source>
        <translation>Update Now</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>Update</translation>
    </message>
    <message>
        <source>Update available: v%1</source>
        <translation>Update available: v%1</translation>
    </message>
    <message>
        <source>Downloading...</source>
        <translation>Downloading...</translation>
    </message>
    <message>
        <source>Could not start the installer.</source>
        <translation>Could not start the installer.</translation>
    </message>
    <message>
        <source>The connection to the server is not encrypted</source>
        <translation>The connection to the server is not encrypted</translation>
    </message>
    <message>
        <source>Client %1 wants to connect with your pairing code.

Security code: %2
Ask your partner to read out the code on their screen: accept only if it is the same.

Partner's device key: %3

Accept?</source>
        <translation>Client %1 wants to connect with your pairing code.

Security code: %2
Ask your partner to read out the code on their screen: accept only if it is the same.

Partner's device key: %3

Accept?</translation>
    </message>
    <message>
        <source>Device Key Changed</source>
        <translation>Device Key Changed</translation>
    </message>
    <message>
        <source>Trust the new key and connect?</source>
        <translation>Trust the new key and connect?</translation>
    </message>
    <message>
        <source>security code %1</source>
        <translation>security code %1</translation>
    </message>
    <message>
        <source>Not verified</source>
        <translation>Not verified</translation>
    </message>
    <message>
        <source>Nimbral - Connected to %1 (%2)</source>
        <translation>Nimbral - Connected to %1 (%2)</translation>
    </message>
    <message>
        <source>Device key: %1</source>
        <translation>Device key: %1</translation>
    </message>
    <message>
        <source>The Wake-on-LAN packet to %1 could not be sent.</source>
        <translation>The Wake-on-LAN packet to %1 could not be sent.</translation>
    </message>
    <message>
        <source>%1 (idle, %2ms)</source>
        <translation>%1 (idle, %2ms)</translation>
    </message>
    <message>
        <source>Sharing this screen with %1 since %2</source>
        <translation>Sharing this screen with %1 since %2</translation>
    </message>
    <message>
        <source>Show password</source>
        <translation>Show password</translation>
    </message>
    <message>
        <source>FAVORITES</source>
        <translation>FAVORITES</translation>
    </message>
    <message>
        <source>Copied</source>
        <translation>Copied</translation>
    </message>
    <message>
        <source>Wake-on-LAN starts the partner's computer through its network card. Enter that card's MAC address: six pairs of hexadecimal digits, such as 00:1A:2B:3C:4D:5E. On the partner's computer, "ip link" (Linux) or "getmac" (Windows) shows it.</source>
        <translation>Wake-on-LAN starts the partner's computer through its network card. Enter that card's MAC address: six pairs of hexadecimal digits, such as 00:1A:2B:3C:4D:5E. On the partner's computer, "ip link" (Linux) or "getmac" (Windows) shows it.</translation>
    </message>
    <message>
        <source>"%1" is not a MAC address: it has six pairs of hexadecimal digits, such as 00:1A:2B:3C:4D:5E.</source>
        <translation>"%1" is not a MAC address: it has six pairs of hexadecimal digits, such as 00:1A:2B:3C:4D:5E.</translation>
    </message>
    <message>
        <source>Hide password</source>
        <translation>Hide password</translation>
    </message>
    <message>
        <source>Reconnect</source>
        <translation>Reconnect</translation>
    </message>
    <message>
        <source>Connection to partner %1 lost: reconnecting (attempt %2 of %3)...</source>
        <translation>Connection to partner %1 lost: reconnecting (attempt %2 of %3)...</translation>
    </message>
    <message>
        <source>Session Ended</source>
        <translation>Session Ended</translation>
    </message>
    <message>
        <source>Partner %1 ended the session.</source>
        <translation>Partner %1 ended the session.</translation>
    </message>
    <message>
        <source>Connection Lost</source>
        <translation>Connection Lost</translation>
    </message>
    <message>
        <source>The connection to partner %1 was lost.</source>
        <translation>The connection to partner %1 was lost.</translation>
    </message>
    <message>
        <source>The connection to partner %1 was lost, and %2 attempts to reconnect failed.</source>
        <translation>The connection to partner %1 was lost, and %2 attempts to reconnect failed.</translation>
    </message>
    <message>
        <source>Another session is under way.</source>
        <translation>Another session is under way.</translation>
    </message>
    <message>
        <source>Monitor %1: %2 (%3 × %4)</source>
        <translation>Monitor %1: %2 (%3 × %4)</translation>
    </message>
    <message>
        <source>Monitor %1 is not available on the partner's computer.</source>
        <translation>Monitor %1 is not available on the partner's computer.</translation>
    </message>
    <message>
        <source>The partner's screen cannot be shown: their desktop offers no way to share it.</source>
        <translation>The partner's screen cannot be shown: their desktop offers no way to share it.</translation>
    </message>
    <message>
        <source>Scale: %1</source>
        <translation>Scale: %1</translation>
    </message>
</context>
<context>
    <name>nimbral::SessionManager</name>
    <message>
        <source>Crypto error: %1</source>
        <translation>Crypto error: %1</translation>
    </message>
    <message>
        <source>ECDH key derivation failed</source>
        <translation>ECDH key derivation failed</translation>
    </message>
    <message>
        <source>Cipher error: %1</source>
        <translation>Cipher error: %1</translation>
    </message>
    <message>
        <source>Cannot initiate session: not idle</source>
        <translation>Cannot initiate session: not idle</translation>
    </message>
    <message>
        <source>Server returned invalid session data</source>
        <translation>Server returned invalid session data</translation>
    </message>
    <message>
        <source>Missing target ECDH public key</source>
        <translation>Missing target ECDH public key</translation>
    </message>
    <message>
        <source>Cannot accept session: not idle</source>
        <translation>Cannot accept session: not idle</translation>
    </message>
    <message>
        <source>Transport failed: %1</source>
        <translation>Transport failed: %1</translation>
    </message>
    <message>
        <source>Partner did not respond</source>
        <translation>Partner did not respond</translation>
    </message>
    <message>
        <source>Failed to start screen capture.</source>
        <translation>Failed to start screen capture.</translation>
    </message>
    <message>
        <source>Too many wrong passwords for partner %1: wait a few minutes, then try again</source>
        <translation>Too many wrong passwords for partner %1: wait a few minutes, then try again</translation>
    </message>
    <message>
        <source>Partner %1 declined the session</source>
        <translation>Partner %1 declined the session</translation>
    </message>
    <message>
        <source>Wrong password for partner %1: check it, or ask them for the current one</source>
        <translation>Wrong password for partner %1: check it, or ask them for the current one</translation>
    </message>
    <message>
        <source>Partner %1 is unknown: check the ID</source>
        <translation>Partner %1 is unknown: check the ID</translation>
    </message>
    <message>
        <source>Partner %1 is offline: ask them to open Nimbral</source>
        <translation>Partner %1 is offline: ask them to open Nimbral</translation>
    </message>
    <message>
        <source>%1 is this device's own ID: enter the partner's ID</source>
        <translation>%1 is this device's own ID: enter the partner's ID</translation>
    </message>
    <message>
        <source>Partner %1 could not be reached: try again in a moment</source>
        <translation>Partner %1 could not be reached: try again in a moment</translation>
    </message>
    <message>
        <source>Partner %1 is busy with other connection requests: try again in a moment</source>
        <translation>Partner %1 is busy with other connection requests: try again in a moment</translation>
    </message>
    <message>
        <source>Partner %1 accepts only verified sessions</source>
        <translation>Partner %1 accepts only verified sessions</translation>
    </message>
    <message>
        <source>Partner %1 could not check this device's key</source>
        <translation>Partner %1 could not check this device's key</translation>
    </message>
    <message>
        <source>Partner %1 ended the session before it started</source>
        <translation>Partner %1 ended the session before it started</translation>
    </message>
    <message>
        <source>The password exchange could not be started</source>
        <translation>The password exchange could not be started</translation>
    </message>
    <message>
        <source>Partner %1 cannot open a verified session, and this device accepts only verified sessions</source>
        <translation>Partner %1 cannot open a verified session, and this device accepts only verified sessions</translation>
    </message>
    <message>
        <source>Partner %1 verified its sessions before and now offers only an unverified one. Not connected: someone may be posing as it.</source>
        <translation>Partner %1 verified its sessions before and now offers only an unverified one. Not connected: someone may be posing as it.</translation>
    </message>
    <message>
        <source>Partner %1 did not prove its device key. Not connected.</source>
        <translation>Partner %1 did not prove its device key. Not connected.</translation>
    </message>
    <message>
        <source>The device key of partner %1 has changed.

Before: %2
Now: %3

If the partner's device was set up again, you can trust the new key; otherwise someone may be posing as it. Not connected.</source>
        <translation>The device key of partner %1 has changed.

Before: %2
Now: %3

If the partner's device was set up again, you can trust the new key; otherwise someone may be posing as it. Not connected.</translation>
    </message>
</context>
<context>
    <name>nimbral::SessionNotice</name>
    <message>
        <source>Partner %1 sees and controls this screen</source>
        <translation>Partner %1 sees and controls this screen</translation>
    </message>
    <message>
        <source>End session</source>
        <translation>End session</translation>
    </message>
    <message>
        <source>Looking at files in %1</source>
        <translation>Looking at files in %1</translation>
    </message>
    <message>
        <source>Copying %1 from this computer</source>
        <translation>Copying %1 from this computer</translation>
    </message>
    <message>
        <source>Copying %1 to this computer</source>
        <translation>Copying %1 to this computer</translation>
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
        <translation>, Primary</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Display</source>
        <translation>Display</translation>
    </message>
    <message>
        <source>Network</source>
        <translation>Network</translation>
    </message>
    <message>
        <source>Advanced</source>
        <translation>Advanced</translation>
    </message>
    <message>
        <source>System default</source>
        <translation>System default</translation>
    </message>
    <message>
        <source>Application language. Requires restart to take effect.</source>
        <translation>Application language. Requires restart to take effect.</translation>
    </message>
    <message>
        <source>Language:</source>
        <translation>Language:</translation>
    </message>
    <message>
        <source>Optimize Quality</source>
        <translation>Optimize Quality</translation>
    </message>
    <message>
        <source>Optimize Speed</source>
        <translation>Optimize Speed</translation>
    </message>
    <message>
        <source>Quality: 24 fps, sharp image, higher bandwidth.
Speed: 10 fps, lower bandwidth and CPU usage.</source>
        <translation>Quality: 24 fps, sharp image, higher bandwidth.
Speed: 10 fps, lower bandwidth and CPU usage.</translation>
    </message>
    <message>
        <source>Display mode:</source>
        <translation>Display mode:</translation>
    </message>
    <message>
        <source>Select which monitor to share when someone connects to this device.</source>
        <translation>Select which monitor to share when someone connects to this device.</translation>
    </message>
    <message>
        <source>Capture monitor:</source>
        <translation>Capture monitor:</translation>
    </message>
    <message>
        <source>Enable clipboard sharing</source>
        <translation>Enable clipboard sharing</translation>
    </message>
    <message>
        <source>Synchronise clipboard content between the local and remote machines.</source>
        <translation>Synchronise clipboard content between the local and remote machines.</translation>
    </message>
    <message>
        <source>Auto-reconnect on disconnect</source>
        <translation>Auto-reconnect on disconnect</translation>
    </message>
    <message>
        <source>Automatically attempt to re-establish the connection after an unexpected disconnect.</source>
        <translation>Automatically attempt to re-establish the connection after an unexpected disconnect.</translation>
    </message>
    <message>
        <source>Maximum number of consecutive reconnection attempts before giving up.</source>
        <translation>Maximum number of consecutive reconnection attempts before giving up.</translation>
    </message>
    <message>
        <source>Max reconnect attempts:</source>
        <translation>Max reconnect attempts:</translation>
    </message>
    <message>
        <source>Start when I log in</source>
        <translation>Start when I log in</translation>
    </message>
    <message>
        <source>Automatically start Nimbral when you log in to your desktop session.</source>
        <translation>Automatically start Nimbral when you log in to your desktop session.</translation>
    </message>
    <message>
        <source>Run as system service (unattended)</source>
        <translation>Run as system service (unattended)</translation>
    </message>
    <message>
        <source>Install NimbralService as a systemd service that runs at boot,
even when no user is logged in. Requires administrator privileges.</source>
        <translation>Install NimbralService as a systemd service that runs at boot,
even when no user is logged in. Requires administrator privileges.</translation>
    </message>
    <message>
        <source>Minimize to tray on close</source>
        <translation>Minimize to tray on close</translation>
    </message>
    <message>
        <source>Keep the application running in the system tray when the window is closed.</source>
        <translation>Keep the application running in the system tray when the window is closed.</translation>
    </message>
    <message>
        <source>Language Changed</source>
        <translation>Language Changed</translation>
    </message>
    <message>
        <source>Accept only verified sessions</source>
        <translation>Accept only verified sessions</translation>
    </message>
    <message>
        <source>Refuse partners that cannot prove the password to this device themselves (older versions). The password and the pairing code then never leave this device.</source>
        <translation>Refuse partners that cannot prove the password to this device themselves (older versions). The password and the pairing code then never leave this device.</translation>
    </message>
    <message>
        <source>Restart now</source>
        <translation>Restart now</translation>
    </message>
    <message>
        <source>Later</source>
        <translation>Later</translation>
    </message>
    <message>
        <source>The new language takes effect when Nimbral starts again.</source>
        <translation>The new language takes effect when Nimbral starts again.</translation>
    </message>
</context>
<context>
    <name>nimbral::SystemTrayIcon</name>
    <message>
        <source>Show</source>
        <translation>Show</translation>
    </message>
    <message>
        <source>Status: Disconnected</source>
        <translation>Status: Disconnected</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Disconnect</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>Nimbral - Remote Access</source>
        <translation>Nimbral - Remote Access</translation>
    </message>
    <message>
        <source>Incoming Connection</source>
        <translation>Incoming Connection</translation>
    </message>
    <message>
        <source>Client %1 is requesting a remote connection.</source>
        <translation>Client %1 is requesting a remote connection.</translation>
    </message>
</context>
<context>
    <name>nimbral::UpdateService</name>
    <message>
        <source>The update address is not secure — update aborted.</source>
        <translation>The update address is not secure — update aborted.</translation>
    </message>
    <message>
        <source>Downloaded file is too small — update aborted.</source>
        <translation>Downloaded file is too small — update aborted.</translation>
    </message>
    <message>
        <source>Downloaded file does not match its checksum — update aborted.</source>
        <translation>Downloaded file does not match its checksum — update aborted.</translation>
    </message>
    <message>
        <source>Cannot write to temp directory.</source>
        <translation>Cannot write to temp directory.</translation>
    </message>
    <message>
        <source>Failed to extract installer from zip.</source>
        <translation>Failed to extract installer from zip.</translation>
    </message>
    <message>
        <source>The update is not from a verified release — update aborted.</source>
        <translation>The update is not from a verified release — update aborted.</translation>
    </message>
</context>
</TS>
