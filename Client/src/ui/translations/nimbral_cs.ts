<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="cs">
<context>
    <name>MainWindow</name>
    <message>
        <source>Nimbral - Remote Access</source>
        <translation>Nimbral - Vzdálený přístup</translation>
    </message>
</context>
<context>
    <name>nimbral::PresenceWindow</name>
    <message>
        <source>Your ID</source>
        <translation>Vaše ID</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Heslo</translation>
    </message>
    <message>
        <source>Pairing code</source>
        <translation>Párovací kód</translation>
    </message>
    <message>
        <source>Connecting to the server...</source>
        <translation>Připojování k serveru...</translation>
    </message>
    <message>
        <source>Offline: %1. Trying again shortly.</source>
        <translation>Offline: %1. Brzy to zkusíme znovu.</translation>
    </message>
    <message>
        <source>Online: ready for connections</source>
        <translation>Online: připraveno na připojení</translation>
    </message>
    <message>
        <source>Connection to the server lost, reconnecting...</source>
        <translation>Spojení se serverem ztraceno, znovu se připojuji...</translation>
    </message>
</context>
<context>
    <name>nimbral::AuthController</name>
    <message>
        <source>Password must be at least 8 characters.</source>
        <translation>Heslo musí mít alespoň 8 znaků.</translation>
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
</TS>
