<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>Guard</name>
    <message>
        <source>Ludra</source>
        <translation>Ludra</translation>
    </message>
</context>
<context>
    <name>Start</name>
    <message>
        <source>Choose the emulator&apos;s folder</source>
        <translation>Ordner des Emulators wählen</translation>
    </message>
    <message>
        <source>Ludra needs the emulator&apos;s folder: the folder that holds tavi.exe, where Ludra keeps its game list and finds the renderer plug-ins. Start Ludra again and choose that folder, or start it with --emulator-dir DIR.</source>
        <translation>Ludra braucht den Ordner des Emulators: den Ordner mit tavi.exe, in dem Ludra seine Spieleliste ablegt und die Renderer-Plug-ins findet. Starten Sie Ludra erneut und wählen Sie diesen Ordner, oder starten Sie es mit --emulator-dir ORDNER.</translation>
    </message>
</context>
<context>
    <name>TFolderTree</name>
    <message>
        <source>All Games</source>
        <translation>Alle Spiele</translation>
    </message>
    <message>
        <source>Available</source>
        <translation>Verfügbar</translation>
    </message>
    <message>
        <source>Year</source>
        <translation>Jahr</translation>
    </message>
    <message>
        <source>Non Working</source>
        <translation>Nicht funktionierend</translation>
    </message>
    <message>
        <source>Company</source>
        <translation>Firma</translation>
    </message>
</context>
<context>
    <name>TGameListModel</name>
    <message>
        <source>Game</source>
        <translation>Spiel</translation>
    </message>
    <message>
        <source>Country</source>
        <translation>Land</translation>
    </message>
    <message>
        <source>Company</source>
        <translation>Firma</translation>
    </message>
    <message>
        <source>System</source>
        <translation>System</translation>
    </message>
    <message>
        <source>Year</source>
        <translation>Jahr</translation>
    </message>
</context>
<context>
    <name>TfrmAbout</name>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message>
        <source>Tavi Frontent V1.0</source>
        <translation>Tavi Frontent V1.0</translation>
    </message>
    <message>
        <source>by the Ludra developers</source>
        <translation>von den Ludra-Entwicklern</translation>
    </message>
    <message>
        <source>Trademarks belong to
their owners.</source>
        <translation>Marken gehören ihren
Inhabern.</translation>
    </message>
    <message>
        <source>ROMs are not included.
Use only ROMs you own.</source>
        <translation>ROMs liegen nicht bei.
Nur eigene ROMs nutzen.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>TfrmMain</name>
    <message>
        <source>TAVI</source>
        <translation>TAVI</translation>
    </message>
    <message>
        <source>&amp;Folder List</source>
        <translation>&amp;Ordnerliste</translation>
    </message>
    <message>
        <source>Toggle Folder List</source>
        <translation>Ordnerliste ein- oder ausblenden</translation>
    </message>
    <message>
        <source>&amp;Screen Shot</source>
        <translation>&amp;Bildschirmfoto</translation>
    </message>
    <message>
        <source>Toggle Screen Shot</source>
        <translation>Bildschirmfoto ein- oder ausblenden</translation>
    </message>
    <message>
        <source>&amp;Statusbar</source>
        <translation>&amp;Statusleiste</translation>
    </message>
    <message>
        <source>&amp;Toolbar</source>
        <translation>&amp;Werkzeugleiste</translation>
    </message>
    <message>
        <source>Large Icons</source>
        <translation>Große Symbole</translation>
    </message>
    <message>
        <source>Small Icons</source>
        <translation>Kleine Symbole</translation>
    </message>
    <message>
        <source>List</source>
        <translation>Liste</translation>
    </message>
    <message>
        <source>Details</source>
        <translation>Details</translation>
    </message>
    <message>
        <source>&amp;Play</source>
        <translation>&amp;Spielen</translation>
    </message>
    <message>
        <source>&amp;Properties</source>
        <translation>&amp;Eigenschaften</translation>
    </message>
    <message>
        <source>&amp;Select Random Game</source>
        <translation>&amp;Zufälliges Spiel wählen</translation>
    </message>
    <message>
        <source>&amp;Audit all Games</source>
        <translation>Alle Spiele &amp;prüfen</translation>
    </message>
    <message>
        <source>&amp;Exit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>Rom Directory...</source>
        <translation>ROM-Verzeichnis...</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>Ü&amp;ber</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>Dat&amp;ei</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>&amp;Options</source>
        <translation>&amp;Optionen</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>Folders</source>
        <translation>Ordner</translation>
    </message>
    <message>
        <source>Games</source>
        <translation>Spiele</translation>
    </message>
    <message>
        <source>Screen shot</source>
        <translation>Bildschirmfoto</translation>
    </message>
    <message>
        <source>Selected game</source>
        <translation>Ausgewähltes Spiel</translation>
    </message>
    <message>
        <source>State of the selected game</source>
        <translation>Zustand des ausgewählten Spiels</translation>
    </message>
    <message>
        <source>Number of listed games</source>
        <translation>Anzahl der aufgeführten Spiele</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message numerus="yes">
        <source>%n Games</source>
        <translation>
            <numerusform>%n Spiel</numerusform>
            <numerusform>%n Spiele</numerusform>
        </translation>
    </message>
    <message>
        <source>Working</source>
        <translation>Funktioniert</translation>
    </message>
    <message>
        <source>ROMs missing</source>
        <translation>ROMs fehlen</translation>
    </message>
    <message>
        <source>Choose Rom-Directory</source>
        <translation>ROM-Verzeichnis wählen</translation>
    </message>
</context>
<context>
    <name>TfrmProperties</name>
    <message>
        <source>15 bit</source>
        <translation>15 Bit</translation>
    </message>
    <message>
        <source>16 bit</source>
        <translation>16 Bit</translation>
    </message>
    <message>
        <source>32 bit</source>
        <translation>32 Bit</translation>
    </message>
    <message>
        <source>default</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>4 bit</source>
        <translation>4 Bit</translation>
    </message>
    <message>
        <source>5 bit</source>
        <translation>5 Bit</translation>
    </message>
    <message>
        <source>8 bit</source>
        <translation>8 Bit</translation>
    </message>
    <message>
        <source>Tavi Properties</source>
        <translation>Tavi-Eigenschaften</translation>
    </message>
    <message>
        <source>Choose Rom-Directory</source>
        <translation>ROM-Verzeichnis wählen</translation>
    </message>
    <message>
        <source>Game Properties</source>
        <translation>Spieleigenschaften</translation>
    </message>
    <message>
        <source>Renderer</source>
        <translation>Renderer</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>%1 x %2</source>
        <translation>%1 x %2</translation>
    </message>
    <message>
        <source>use interpreter</source>
        <translation>Interpreter verwenden</translation>
    </message>
    <message>
        <source>use slow geometry</source>
        <translation>langsame Geometrie</translation>
    </message>
    <message>
        <source>renderer</source>
        <translation>Renderer</translation>
    </message>
    <message>
        <source>sound filter cutoff</source>
        <translation>Grenzfrequenz des Tonfilters</translation>
    </message>
    <message>
        <source>code buffer size</source>
        <translation>Größe des Codepuffers</translation>
    </message>
    <message>
        <source>drop buffer size</source>
        <translation>Größe des Drop-Puffers</translation>
    </message>
    <message>
        <source>Choose the ROM directory</source>
        <translation>ROM-Verzeichnis wählen</translation>
    </message>
    <message>
        <source>use sound</source>
        <translation>Ton verwenden</translation>
    </message>
    <message>
        <source>sound filter enable</source>
        <translation>Tonfilter einschalten</translation>
    </message>
    <message>
        <source>sound surround light enable</source>
        <translation>Surround Light einschalten</translation>
    </message>
    <message>
        <source>sound stereo exciter</source>
        <translation>Stereo-Exciter</translation>
    </message>
    <message>
        <source>roms directory</source>
        <translation>ROM-Verzeichnis</translation>
    </message>
    <message>
        <source>sound surround multiplier</source>
        <translation>Surround-Multiplikator</translation>
    </message>
    <message>
        <source>Run in a Window</source>
        <translation>Im Fenster ausführen</translation>
    </message>
    <message>
        <source>Choose a resolution</source>
        <translation>Auflösung wählen</translation>
    </message>
    <message>
        <source>Res</source>
        <translation>Auflösung</translation>
    </message>
    <message>
        <source>Dithering</source>
        <translation>Dithering</translation>
    </message>
    <message>
        <source>Textures</source>
        <translation>Texturen</translation>
    </message>
    <message>
        <source>Texture Filtering:</source>
        <translation>Texturfilterung:</translation>
    </message>
    <message>
        <source>Texture Caching:</source>
        <translation>Textur-Cache:</translation>
    </message>
    <message>
        <source>Texture Quality:</source>
        <translation>Texturqualität:</translation>
    </message>
    <message>
        <source>Bits per Pixel</source>
        <translation>Bits pro Pixel</translation>
    </message>
    <message>
        <source>Show FPS</source>
        <translation>FPS anzeigen</translation>
    </message>
    <message>
        <source>Frame Skip</source>
        <translation>Bilder auslassen</translation>
    </message>
    <message>
        <source>Frame Limit</source>
        <translation>Bildrate begrenzen</translation>
    </message>
    <message>
        <source>Detection</source>
        <translation>Erkennung</translation>
    </message>
    <message>
        <source>Frames</source>
        <translation>Bilder</translation>
    </message>
    <message>
        <source>Frame Rate</source>
        <translation>Bildrate</translation>
    </message>
    <message>
        <source>Turn Display</source>
        <translation>Anzeige drehen</translation>
    </message>
    <message>
        <source>Blending</source>
        <translation>Überblendung</translation>
    </message>
    <message>
        <source>Scanlines</source>
        <translation>Scanlines</translation>
    </message>
</context>
</TS>
