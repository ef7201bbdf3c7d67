<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>CommandLine</name>
    <message>
        <source>usage: ludra [--emulator-dir DIR | --choose-emulator-dir] [--run N | --desktop-entry N]
       ludra --version | --help
Ludra: the game list, settings and start of the arcade emulator tavi.exe.

  --emulator-dir DIR  the emulator&apos;s folder, for an installed Ludra (default: the working
                      directory when it holds tavi.exe, else the folder of the last run,
                      else the folder chosen at start); it must hold tavi.exe
  --choose-emulator-dir  choose the emulator&apos;s folder anew, then open the window
  --run N             start game N (section Rom&lt;N&gt; of ludra.ini) as a double click does,
                      without a window, and watch it for 10 seconds; exit 0 running or
                      ended cleanly, 1 failed to start or failed within them, 2 no such game
  --desktop-entry N   write a desktop entry that starts game N, and print its path
  --version           print the version
  --help              print this help
</source>
        <translation>Aufruf: ludra [--emulator-dir ORDNER | --choose-emulator-dir] [--run N | --desktop-entry N]
       ludra --version | --help
Ludra: Spieleliste, Einstellungen und Start des Arcade-Emulators tavi.exe.

  --emulator-dir ORDNER  der Ordner des Emulators, für ein installiertes Ludra (sonst: das
                      Arbeitsverzeichnis, wenn es tavi.exe enthält, sonst der Ordner des
                      letzten Laufs, sonst der beim Start gewählte); er muss tavi.exe enthalten
  --choose-emulator-dir  den Ordner des Emulators neu wählen, dann das Fenster öffnen
  --run N             Spiel N (Abschnitt Rom&lt;N&gt; von ludra.ini) wie per Doppelklick starten,
                      ohne Fenster, und 10 Sekunden lang beobachten; Rückgabe 0 läuft oder
                      sauber beendet, 1 Start oder Lauf in dieser Zeit fehlgeschlagen, 2 kein solches Spiel
  --desktop-entry N   einen Desktop-Eintrag schreiben, der Spiel N startet, und seinen Pfad ausgeben
  --version           die Version ausgeben
  --help              diese Hilfe ausgeben
</translation>
    </message>
</context>
<context>
    <name>Desktop</name>
    <message>
        <source>Arcade Emulator Front-End</source>
        <translation>Oberfläche für Arcade-Emulatoren</translation>
    </message>
    <message>
        <source>Choose, set up and start the games of the arcade emulator tavi.exe</source>
        <translation>Spiele des Arcade-Emulators tavi.exe auswählen, einrichten und starten</translation>
    </message>
    <message>
        <source>arcade;emulator;ZN1;ZN2;ROM;games;</source>
        <extracomment>Words a menu&apos;s search finds Ludra by, each followed by a semicolon.</extracomment>
        <translation>Arcade;Emulator;Spielhalle;ZN1;ZN2;ROM;Spiele;</translation>
    </message>
    <message>
        <source>Choose the Emulator&apos;s Folder…</source>
        <translation>Ordner des Emulators wählen…</translation>
    </message>
    <message>
        <source>Choose, set up and start the games of an arcade emulator</source>
        <translation>Spiele eines Arcade-Emulators auswählen, einrichten und starten</translation>
    </message>
    <message>
        <source>Ludra is the game list and launcher of tavi.exe, a command-line emulator of arcade boards of the 1990s (ZN1, ZN2, System 11, FX-1a and others).</source>
        <translation>Ludra ist die Spieleliste und der Starter von tavi.exe, einem Kommandozeilen-Emulator für Arcade-Platinen der 1990er Jahre (ZN1, ZN2, System 11, FX-1a und andere).</translation>
    </message>
    <message>
        <source>It keeps the catalogue of the games the emulator runs and audits the ROM archives, marking each game as available or missing.</source>
        <translation>Es führt den Katalog der Spiele, die der Emulator ausführt, und prüft die ROM-Archive: Jedes Spiel wird als verfügbar oder fehlend markiert.</translation>
    </message>
    <message>
        <source>It shows the games by company, by year, available or missing, in four list views, with each game&apos;s screenshot.</source>
        <translation>Es zeigt die Spiele nach Hersteller, nach Jahr, verfügbar oder fehlend, in vier Listenansichten, mit dem Bildschirmfoto jedes Spiels.</translation>
    </message>
    <message>
        <source>It keeps each game&apos;s sound and display options and starts the emulator with them, through wine when the emulator is a Windows program.</source>
        <translation>Es speichert die Ton- und Anzeigeoptionen jedes Spiels und startet den Emulator damit, über wine, wenn der Emulator ein Windows-Programm ist.</translation>
    </message>
    <message>
        <source>Mouse, keyboard, gamepads and arcade sticks all drive it.</source>
        <translation>Es lässt sich mit Maus, Tastatur, Gamepads und Arcade-Sticks bedienen.</translation>
    </message>
    <message>
        <source>The emulator itself is not part of Ludra. The command-line program ludra-audit prints the same audit for scripts and large ROM sets.</source>
        <translation>Der Emulator selbst gehört nicht zu Ludra. Das Kommandozeilenprogramm ludra-audit gibt dieselbe Prüfung für Skripte und große ROM-Sammlungen aus.</translation>
    </message>
</context>
<context>
    <name>Guard</name>
    <message>
        <source>Ludra</source>
        <translation>Ludra</translation>
    </message>
    <message>
        <source>An unknown error occurred.</source>
        <translation>Ein unbekannter Fehler ist aufgetreten.</translation>
    </message>
</context>
<context>
    <name>Message</name>
    <message>
        <source>the archive does not state its size</source>
        <translation>das Archiv gibt ihre Größe nicht an</translation>
    </message>
    <message>
        <source>%1 (not readable: %2)</source>
        <translation>%1 (nicht lesbar: %2)</translation>
    </message>
    <message>
        <source>%1 (not checked: %2)</source>
        <translation>%1 (nicht geprüft: %2)</translation>
    </message>
    <message>
        <source>%1; it lacks %2 of its %3 files: %4</source>
        <translation>%1; es fehlen %2 von %3 Dateien: %4</translation>
    </message>
    <message>
        <source>the parent &quot;%1&quot; of &quot;%2&quot; in the DAT is no archive name</source>
        <translation>der Parent &quot;%1&quot; von &quot;%2&quot; im DAT ist kein Archivname</translation>
    </message>
    <message>
        <source>the DAT&apos;s chain of parents of &quot;%1&quot; comes back to &quot;%2&quot;</source>
        <translation>die Kette der Parents von &quot;%1&quot; im DAT führt zurück zu &quot;%2&quot;</translation>
    </message>
    <message>
        <source>the DAT has no game &quot;%1&quot;, the parent of &quot;%2&quot;</source>
        <translation>das DAT hat kein Spiel &quot;%1&quot;, den Parent von &quot;%2&quot;</translation>
    </message>
    <message>
        <source>it is %1 x %2 pixels, larger than the 16384 x 16384 pixels and 100 megapixels this program shows</source>
        <translation>es hat %1 x %2 Pixel, mehr als die 16384 x 16384 Pixel und 100 Megapixel, die dieses Programm zeigt</translation>
    </message>
    <message>
        <source>it is not a regular file</source>
        <translation>es ist keine gewöhnliche Datei</translation>
    </message>
    <message>
        <source>the file is empty</source>
        <translation>die Datei ist leer</translation>
    </message>
    <message>
        <source>the file is larger than 256 MB</source>
        <translation>die Datei ist größer als 256 MB</translation>
    </message>
    <message>
        <source>its colour layout is not supported</source>
        <translation>ihr Farbaufbau wird nicht unterstützt</translation>
    </message>
    <message>
        <source>there is not enough memory for it</source>
        <translation>dafür reicht der Speicher nicht</translation>
    </message>
    <message>
        <source>Windows metafiles are not supported</source>
        <translation>Windows-Metadateien werden nicht unterstützt</translation>
    </message>
    <message>
        <source>archive found: %1; no files are listed for it</source>
        <translation>Archiv gefunden: %1; für das Spiel sind keine Dateien angegeben</translation>
    </message>
    <message>
        <source>archive found: %1; it holds the expected file %2</source>
        <translation>Archiv gefunden: %1; es enthält die erwartete Datei %2</translation>
    </message>
    <message>
        <source>archive not found: %1</source>
        <translation>Archiv nicht gefunden: %1</translation>
    </message>
    <message>
        <source>none of the expected files is in %1; expected: %2</source>
        <translation>keine der erwarteten Dateien ist in %1; erwartet: %2</translation>
    </message>
    <message>
        <source>warning: available only because the archive exists; its directory could not be read: %1</source>
        <translation>Warnung: nur verfügbar, weil das Archiv vorhanden ist; sein Inhaltsverzeichnis war nicht lesbar: %1</translation>
    </message>
    <message>
        <source>it is a directory</source>
        <translation>es ist ein Ordner</translation>
    </message>
    <message>
        <source>it is a named pipe, not a file</source>
        <translation>es ist eine benannte Pipe, keine Datei</translation>
    </message>
    <message>
        <source>it is a socket, not a file</source>
        <translation>es ist ein Socket, keine Datei</translation>
    </message>
    <message>
        <source>it is a device, not a file</source>
        <translation>es ist ein Gerät, keine Datei</translation>
    </message>
    <message>
        <source>the file is read-only</source>
        <translation>die Datei ist schreibgeschützt</translation>
    </message>
    <message>
        <source>no temporary file could be made beside it</source>
        <translation>daneben ließ sich keine temporäre Datei anlegen</translation>
    </message>
    <message>
        <source>the file is too large (%1 bytes)</source>
        <translation>die Datei ist zu groß (%1 Bytes)</translation>
    </message>
    <message>
        <source>%1 seconds</source>
        <translation>%1 Sekunden</translation>
    </message>
    <message>
        <source>%1 ms</source>
        <translation>%1 ms</translation>
    </message>
    <message>
        <source>another program has kept it locked for more than %1</source>
        <translation>ein anderes Programm hält sie seit mehr als %1 gesperrt</translation>
    </message>
    <message>
        <source>create</source>
        <translation>angelegt</translation>
    </message>
    <message>
        <source>open</source>
        <translation>geöffnet</translation>
    </message>
    <message>
        <source>read</source>
        <translation>gelesen</translation>
    </message>
    <message>
        <source>write</source>
        <translation>geschrieben</translation>
    </message>
    <message>
        <source>run</source>
        <translation>gestartet</translation>
    </message>
    <message>
        <source>open the archive</source>
        <translation>als Archiv geöffnet</translation>
    </message>
    <message>
        <source>read the archive</source>
        <translation>als Archiv gelesen</translation>
    </message>
    <message>
        <source>open the picture</source>
        <translation>als Bild geöffnet</translation>
    </message>
    <message>
        <source>read the picture</source>
        <translation>als Bild gelesen</translation>
    </message>
    <message>
        <source>read the ROM folder</source>
        <translation>als ROM-Ordner gelesen</translation>
    </message>
    <message>
        <source>Cannot %1 &quot;%2&quot;: %3.</source>
        <translation>„%2“ kann nicht %1 werden: %3.</translation>
    </message>
    <message>
        <source>a Windows program needs &quot;wine&quot;, which is not on the PATH (WINE may name the wine program to use)</source>
        <translation>ein Windows-Programm braucht „wine“, das nicht im PATH liegt (WINE kann das zu verwendende wine-Programm nennen)</translation>
    </message>
    <message>
        <source>WINE names &quot;%1&quot;, which is not on the PATH</source>
        <translation>WINE nennt „%1“, das nicht im PATH liegt</translation>
    </message>
    <message>
        <source>WINE names &quot;%1&quot;, which is no executable file</source>
        <translation>WINE nennt „%1“, das keine ausführbare Datei ist</translation>
    </message>
    <message>
        <source>%1 (working directory &quot;%2&quot;)</source>
        <translation>%1 (Arbeitsverzeichnis „%2“)</translation>
    </message>
    <message>
        <source>%1 (through &quot;%2&quot;)</source>
        <translation>%1 (über „%2“)</translation>
    </message>
    <message>
        <source>not enough memory</source>
        <translation>nicht genug Arbeitsspeicher</translation>
    </message>
    <message>
        <source>%1 (keeping its output with &quot;%2&quot;)</source>
        <translation>%1 (beim Aufbewahren seiner Ausgabe mit „%2“)</translation>
    </message>
    <message>
        <source>%1 (watching it)</source>
        <translation>%1 (beim Beobachten des Emulators)</translation>
    </message>
    <message>
        <source>replace</source>
        <translation>ersetzt</translation>
    </message>
    <message>
        <source>the output is not kept</source>
        <translation>die Ausgabe wird nicht aufbewahrt</translation>
    </message>
    <message>
        <source>%1 (missing)</source>
        <translation>%1 (fehlt)</translation>
    </message>
    <message>
        <source>%1 (wrong size: %2 expected, %3 found)</source>
        <translation>%1 (falsche Größe: %2 erwartet, %3 gefunden)</translation>
    </message>
    <message>
        <source>%1 (wrong CRC: %2 expected, %3 found)</source>
        <translation>%1 (falsche CRC: %2 erwartet, %3 gefunden)</translation>
    </message>
    <message>
        <source>%1 lacks %2 of its %3 files: %4</source>
        <translation>In %1 fehlen %2 von %3 Dateien: %4</translation>
    </message>
    <message>
        <source>%1: %2 of its %3 files are missing or wrong: %4</source>
        <translation>%1: %2 von %3 Dateien fehlen oder sind falsch: %4</translation>
    </message>
</context>
<context>
    <name>RunReport</name>
    <message>
        <source>%1 stopped</source>
        <translation>%1 wurde beendet</translation>
    </message>
</context>
<context>
    <name>SingleInstance</name>
    <message>
        <source>Ludra already runs for this emulator&apos;s folder (process %1), but its window does not answer. Wait for it, or end that process, then start Ludra again.</source>
        <translation>Ludra läuft bereits für diesen Ordner des Emulators (Prozess %1), aber sein Fenster antwortet nicht. Warten Sie darauf oder beenden Sie diesen Prozess, und starten Sie Ludra dann erneut.</translation>
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
    <message>
        <source>The emulator&apos;s folder of the last run, &quot;%1&quot;, no longer exists. Choose the folder that holds tavi.exe.</source>
        <translation>Der Ordner des Emulators aus dem letzten Lauf, „%1“, existiert nicht mehr. Wählen Sie den Ordner, der tavi.exe enthält.</translation>
    </message>
    <message>
        <source>The emulator&apos;s folder of the last run, &quot;%1&quot;, no longer holds tavi.exe. Choose the folder that holds it.</source>
        <translation>Der Ordner des Emulators aus dem letzten Lauf, „%1“, enthält tavi.exe nicht mehr. Wählen Sie den Ordner, der sie enthält.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; does not hold tavi.exe. Choose the folder that holds tavi.exe.</source>
        <translation>„%1“ enthält kein tavi.exe. Wählen Sie den Ordner, der tavi.exe enthält.</translation>
    </message>
</context>
<context>
    <name>TAuditProgress</name>
    <message>
        <source>Audit progress</source>
        <translation>Fortschritt der Prüfung</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Reading the ROM archives: %1 of %2</source>
        <translation>ROM-Archive werden gelesen: %1 von %2</translation>
    </message>
    <message>
        <source>ROM archives read</source>
        <translation>Gelesene ROM-Archive</translation>
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
    <message>
        <source>Logo</source>
        <translation>Logo</translation>
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
    <message>
        <source>Save &amp;Fixdat of Missing Files...</source>
        <translation>&amp;Fixdat der fehlenden Dateien speichern...</translation>
    </message>
    <message>
        <source>The ROM list could not be read, so the audit ran without it:
%1</source>
        <translation>Die ROM-Liste konnte nicht gelesen werden; die Prüfung lief ohne sie:
%1</translation>
    </message>
    <message numerus="yes">
        <source>The last audit found %n missing or wrong files, but without a DAT their sizes are unknown, and a fixdat needs them.</source>
        <translation>
            <numerusform>Die letzte Prüfung fand %n fehlende oder falsche Datei, aber ohne DAT ist ihre Größe unbekannt, und ein Fixdat braucht sie.</numerusform>
            <numerusform>Die letzte Prüfung fand %n fehlende oder falsche Dateien, aber ohne DAT sind ihre Größen unbekannt, und ein Fixdat braucht sie.</numerusform>
        </translation>
    </message>
    <message>
        <source>The last audit found no missing or wrong files.</source>
        <translation>Die letzte Prüfung fand keine fehlenden oder falschen Dateien.</translation>
    </message>
    <message>
        <source>Save Fixdat</source>
        <translation>Fixdat speichern</translation>
    </message>
    <message>
        <source>ROM lists (*.xml *.dat);;All files (*)</source>
        <translation>ROM-Listen (*.xml *.dat);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Menu bar</source>
        <translation>Menüleiste</translation>
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
    <message>
        <source>Resolution, width</source>
        <translation>Auflösung, Breite</translation>
    </message>
    <message>
        <source>Resolution, height</source>
        <translation>Auflösung, Höhe</translation>
    </message>
</context>
<context>
    <name>TfrmRunFailure</name>
    <message>
        <source>TAVI</source>
        <translation>TAVI</translation>
    </message>
    <message>
        <source>was killed by signal %1 (%2)</source>
        <translation>wurde durch das Signal %1 (%2) beendet</translation>
    </message>
    <message>
        <source>ended with exit status %1</source>
        <translation>endete mit dem Status %1</translation>
    </message>
    <message>
        <source>The emulator for &quot;%1&quot; %2 after %3 seconds.</source>
        <translation>Der Emulator für „%1“ lief %3 Sekunden und %2.</translation>
    </message>
    <message>
        <source>Started through wine with %1.</source>
        <translation>Über wine gestartet, mit %1.</translation>
    </message>
    <message>
        <source>Its output was not kept: %1</source>
        <translation>Seine Ausgabe wurde nicht aufbewahrt: %1</translation>
    </message>
    <message>
        <source>It wrote nothing. Its log file is %1.</source>
        <translation>Er hat nichts ausgegeben. Seine Protokolldatei ist %1.</translation>
    </message>
    <message>
        <source>The last lines it wrote:</source>
        <translation>Seine letzten Ausgabezeilen:</translation>
    </message>
    <message>
        <source>All of its output is in %1.</source>
        <translation>Seine ganze Ausgabe steht in %1.</translation>
    </message>
    <message>
        <source>Its ROM files are incomplete: %1</source>
        <translation>Seine ROM-Dateien sind unvollständig: %1</translation>
    </message>
    <message>
        <source>Its ROMs are missing: %1</source>
        <translation>Seine ROMs fehlen: %1</translation>
    </message>
</context>
</TS>
