<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>MainWindow</name>
    <message>
        <source>Nimbral - Remote Access</source>
        <translation>Nimbral - Fernzugriff</translation>
    </message>
</context>
<context>
    <name>nimbral::PresenceWindow</name>
    <message>
        <source>Your ID</source>
        <translation>Ihre ID</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Passwort</translation>
    </message>
    <message>
        <source>Pairing code</source>
        <translation>Kopplungscode</translation>
    </message>
    <message>
        <source>Connecting to the server...</source>
        <translation>Verbindung zum Server wird hergestellt...</translation>
    </message>
    <message>
        <source>Offline: %1. Trying again shortly.</source>
        <translation>Offline: %1. Neuer Versuch in Kürze.</translation>
    </message>
    <message>
        <source>Online: ready for connections</source>
        <translation>Online: bereit für Verbindungen</translation>
    </message>
    <message>
        <source>Connection to the server lost, reconnecting...</source>
        <translation>Verbindung zum Server verloren, Verbindung wird wiederhergestellt...</translation>
    </message>
</context>
<context>
    <name>nimbral::AuthController</name>
    <message>
        <source>Password must be at least 8 characters.</source>
        <translation>Das Passwort muss mindestens 8 Zeichen lang sein.</translation>
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
</TS>
