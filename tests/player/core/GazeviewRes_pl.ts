<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pl_PL">
<context>
    <name>StringTable</name>
    <message>
        <source>Open movie file...</source>
        <translation>Otwórz plik filmu...</translation>
    </message>
</context>
</TS>
