<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>BreakPartsDialog</name>
    <message>
        <source>Add Breaks to List</source>
        <translation>Pausen zur Liste</translation>
    </message>
    <message>
        <source>Tick the parts to add to the cut list:</source>
        <translation>Die Teile ankreuzen, die in die Schnittliste sollen:</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Anfang</translation>
    </message>
    <message>
        <source>End</source>
        <translation>Ende</translation>
    </message>
    <message>
        <source>Length</source>
        <translation>Länge</translation>
    </message>
    <message>
        <source>Parts between the breaks</source>
        <translation>Teile zwischen den Pausen</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Hinzufügen</translation>
    </message>
</context>
<context>
    <name>CVideoConv</name>
    <message>
        <source>Error Occured:<byte value="xd"/>
%1 - %2 - 0</source>
        <translation>Ein Fehler ist aufgetreten:<byte value="xd"/>
%1 - %2 - 0</translation>
    </message>
    <message>
        <source>The output file was not found after the encoder ended: %1</source>
        <translation>Die Ausgabedatei wurde nach dem Ende des Encoders nicht gefunden: %1</translation>
    </message>
    <message>
        <source>The encoder was ended by signal %1 (%2).</source>
        <translation>Der Encoder wurde durch das Signal %1 (%2) beendet.</translation>
    </message>
    <message>
        <source>Error converting file: %1<byte value="xd"/>
%2</source>
        <translation>Fehler beim Umwandeln der Datei: %1<byte value="xd"/>
%2</translation>
    </message>
</context>
<context>
    <name>Catalogue</name>
    <message>
        <source>Error Occured while Loading Presets.</source>
        <translation>Fehler beim Laden der Voreinstellungen.</translation>
    </message>
    <message>
        <source>Error Occured while Loading Codecs.</source>
        <translation>Fehler beim Laden der Codecs.</translation>
    </message>
    <message>
        <source>a field line without a tag between &quot;&lt;&quot; and &quot;&gt;&quot;</source>
        <translation>eine Feldzeile ohne Tag zwischen „&lt;“ und „&gt;“</translation>
    </message>
    <message>
        <source>the closing tag &lt;/%1&gt; is missing</source>
        <translation>das schließende Tag &lt;/%1&gt; fehlt</translation>
    </message>
    <message>
        <source>Line %1: %2.</source>
        <translation>Zeile %1: %2.</translation>
    </message>
    <message>
        <source>overflow, the file has more lines than the reader can count</source>
        <translation>Überlauf, die Datei hat mehr Zeilen, als das Lesen zählen kann</translation>
    </message>
    <message>
        <source>the block runs past the end of the file</source>
        <translation>der Block reicht über das Dateiende hinaus</translation>
    </message>
    <message>
        <source>file not found</source>
        <translation>Datei nicht gefunden</translation>
    </message>
    <message>
        <source>input past end of file (the file is empty)</source>
        <translation>Lesen über das Dateiende hinaus (die Datei ist leer)</translation>
    </message>
    <message>
        <source>No video codec to select: the video codec list is empty.</source>
        <translation>Kein Videocodec auswählbar: Die Liste der Videocodecs ist leer.</translation>
    </message>
    <message>
        <source>No audio codec to select: the audio codec list is empty.</source>
        <translation>Kein Audiocodec auswählbar: Die Liste der Audiocodecs ist leer.</translation>
    </message>
</context>
<context>
    <name>CutJob</name>
    <message>
        <source>No free output file name.</source>
        <translation>Kein freier Name für die Ausgabedatei.</translation>
    </message>
    <message>
        <source>; </source>
        <translation>; </translation>
    </message>
</context>
<context>
    <name>CutList</name>
    <message>
        <source>waiting</source>
        <translation>wartet</translation>
    </message>
    <message>
        <source>running</source>
        <translation>läuft</translation>
    </message>
    <message>
        <source>done</source>
        <translation>fertig</translation>
    </message>
    <message>
        <source>failed</source>
        <translation>fehlgeschlagen</translation>
    </message>
    <message>
        <source>stopped</source>
        <translation>abgebrochen</translation>
    </message>
    <message>
        <source>Same folder as input file</source>
        <translation>Gleicher Ordner wie die Quelldatei</translation>
    </message>
    <message>
        <source>done: %1</source>
        <translation>fertig: %1</translation>
    </message>
    <message>
        <source>source missing</source>
        <translation>Quelle fehlt</translation>
    </message>
    <message>
        <source>Task Progress:[%1 of %2]</source>
        <translation>Fortschritt: [%1 von %2]</translation>
    </message>
    <message>
        <source>%1 done, %2 failed, %3 stopped.</source>
        <translation>%1 fertig, %2 fehlgeschlagen, %3 abgebrochen.</translation>
    </message>
    <message numerus="yes">
        <source>%1 %n skipped: source missing.</source>
        <translation>
            <numerusform>%1 %n Schnitt übersprungen: Quelle fehlt.</numerusform>
            <numerusform>%1 %n Schnitte übersprungen: Quelle fehlt.</numerusform>
        </translation>
    </message>
    <message>
        <source>The cut list file cannot be read or set aside. The list starts empty and is not kept.</source>
        <translation>Die Datei der Schnittliste kann weder gelesen noch beiseitegelegt werden. Die Liste beginnt leer und wird nicht gespeichert.</translation>
    </message>
    <message>
        <source>The cut list file was written by another program or a newer Snipora. It was kept as %1, and the list starts empty.</source>
        <translation>Die Datei der Schnittliste stammt von einem anderen Programm oder einer neueren Snipora-Version. Sie wurde als %1 aufbewahrt, und die Liste beginnt leer.</translation>
    </message>
    <message>
        <source>The cut list file is damaged. It was kept as %1, and the list starts empty.</source>
        <translation>Die Datei der Schnittliste ist beschädigt. Sie wurde als %1 aufbewahrt, und die Liste beginnt leer.</translation>
    </message>
    <message>
        <source>The cut list is in use by another Snipora window. This window&apos;s list is not kept.</source>
        <translation>Die Schnittliste wird von einem anderen Snipora-Fenster verwendet. Die Liste dieses Fensters wird nicht gespeichert.</translation>
    </message>
    <message>
        <source>The cut list cannot be kept in %1.</source>
        <translation>Die Schnittliste kann nicht in %1 gespeichert werden.</translation>
    </message>
    <message>
        <source>Task Progress:[Joining %1 of %2]</source>
        <translation>Fortschritt: [Verbinden %1 von %2]</translation>
    </message>
</context>
<context>
    <name>CutListPanel</name>
    <message>
        <source>Stop List</source>
        <translation>Liste anhalten</translation>
    </message>
    <message>
        <source>Cut list</source>
        <translation>Schnittliste</translation>
    </message>
    <message>
        <source>The cut list could not be saved to %1.</source>
        <translation>Die Schnittliste konnte nicht in %1 gespeichert werden.</translation>
    </message>
    <message numerus="yes">
        <source>%n cuts of the list have not run yet. Clear the list all the same?</source>
        <translation>
            <numerusform>%n Schnitt der Liste wurde noch nicht ausgeführt. Die Liste trotzdem leeren?</numerusform>
            <numerusform>%n Schnitte der Liste wurden noch nicht ausgeführt. Die Liste trotzdem leeren?</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 failed:
%2</source>
        <translation>%1 ist fehlgeschlagen:
%2</translation>
    </message>
    <message>
        <source>Run List</source>
        <translation>Liste starten</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Join into One File</source>
        <translation>Zusammenfügen</translation>
    </message>
    <message>
        <source>Remove Listed Parts</source>
        <translation>Herausschneiden</translation>
    </message>
</context>
<context>
    <name>CutListRunner</name>
    <message>
        <source>No cut in the list is waiting.</source>
        <translation>In der Liste wartet kein Schnitt.</translation>
    </message>
    <message>
        <source>Task Progress:</source>
        <translation>Fortschritt:</translation>
    </message>
</context>
<context>
    <name>CutNotices</name>
    <message>
        <source>video track %1 (%2)</source>
        <translation>Videospur %1 (%2)</translation>
    </message>
    <message>
        <source>sound track %1 (%2)</source>
        <translation>Tonspur %1 (%2)</translation>
    </message>
    <message>
        <source>subtitle track %1 (%2)</source>
        <translation>Untertitelspur %1 (%2)</translation>
    </message>
    <message>
        <source>attachment %1 (%2)</source>
        <translation>Anhang %1 (%2)</translation>
    </message>
    <message>
        <source>data track %1 (%2)</source>
        <translation>Datenspur %1 (%2)</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>the frame times could not be read</source>
        <translation>die Zeiten der Bilder ließen sich nicht lesen</translation>
    </message>
    <message>
        <source>the range holds no frame</source>
        <translation>der Bereich enthält kein Bild</translation>
    </message>
    <message>
        <source>some frame times are missing</source>
        <translation>einigen Bildern fehlt die Zeit</translation>
    </message>
    <message>
        <source>its codec (%1) is not H.264 or HEVC</source>
        <translation>ihr Codec (%1) ist weder H.264 noch HEVC</translation>
    </message>
    <message>
        <source>its profile or pixel format (%1) cannot be matched</source>
        <translation>ihr Profil oder Pixelformat (%1) lässt sich nicht nachbilden</translation>
    </message>
    <message>
        <source>its frame size is odd</source>
        <translation>ihre Bildgröße ist ungerade</translation>
    </message>
    <message>
        <source>it is interlaced</source>
        <translation>sie ist im Zeilensprungverfahren (interlaced)</translation>
    </message>
    <message>
        <source>it reorders frames deeper than the encoder can match</source>
        <translation>sie ordnet Bilder tiefer um, als der Encoder nachbilden kann</translation>
    </message>
    <message>
        <source>its container (%1) cannot be searched exactly</source>
        <translation>ihr Container (%1) lässt sich nicht genau durchsuchen</translation>
    </message>
    <message>
        <source>some decode times are missing</source>
        <translation>einige Decodierzeiten fehlen</translation>
    </message>
    <message>
        <source>it has open GOPs</source>
        <translation>sie hat offene GOPs</translation>
    </message>
    <message>
        <source>no keyframe lies inside the range</source>
        <translation>im Bereich liegt kein Schlüsselbild</translation>
    </message>
    <message>
        <source>the copied part did not match its source</source>
        <translation>der kopierte Teil stimmte nicht mit seiner Quelle überein</translation>
    </message>
    <message>
        <source>it is coded otherwise than part 1 (%1)</source>
        <translation>er ist anders codiert als Teil 1 (%1)</translation>
    </message>
    <message>
        <source>part %1: %2</source>
        <translation>Teil %1: %2</translation>
    </message>
    <message>
        <source>Exact cut by re-encoding: the source cannot be copied exactly (%1)</source>
        <translation>Genauer Schnitt durch Neucodieren: Die Quelle lässt sich nicht genau kopieren (%1)</translation>
    </message>
    <message>
        <source>Exact join by re-encoding: the parts cannot be joined by copying (%1)</source>
        <translation>Genaues Zusammenfügen durch Neucodieren: Die Teile lassen sich nicht durch Kopieren verbinden (%1)</translation>
    </message>
    <message>
        <source>, </source>
        <translation>, </translation>
    </message>
    <message>
        <source>Not kept, as a join keeps only picture and sound: %1</source>
        <translation>Nicht übernommen, da das Zusammenfügen nur Bild und Ton behält: %1</translation>
    </message>
    <message>
        <source>Not kept, as %1 cannot hold them: %2</source>
        <translation>Nicht übernommen, da %1 sie nicht aufnehmen kann: %2</translation>
    </message>
    <message>
        <source>Not kept on the re-encoded video: %1 dynamic metadata</source>
        <translation>Nicht übernommen im neu codierten Video: dynamische Metadaten von %1</translation>
    </message>
    <message>
        <source>Not kept on the re-encoded start and end: %1 dynamic metadata</source>
        <translation>Nicht übernommen in neu codiertem Anfang und Ende: dynamische Metadaten von %1</translation>
    </message>
</context>
<context>
    <name>CutWorkflow</name>
    <message>
        <source>Task Progress:[Stopped]</source>
        <translation>Fortschritt: [Abgebrochen]</translation>
    </message>
    <message>
        <source>Task Progress:</source>
        <translation>Fortschritt:</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Starten</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>No video file loaded</source>
        <translation>Keine Videodatei geladen</translation>
    </message>
    <message>
        <source>No part selected. Please, select a part first using &apos;Start Selection&apos; and &apos;End Selection&apos;.</source>
        <translation>Kein Abschnitt ausgewählt. Bitte wählen Sie zuerst mit „Anfang setzen“ und „Ende setzen“ einen Abschnitt aus.</translation>
    </message>
    <message>
        <source>No part selected, &apos;Start Selection&apos; can not be greater than &apos;End Selection&apos;.</source>
        <translation>Kein Abschnitt ausgewählt: Der Anfang darf nicht hinter dem Ende liegen.</translation>
    </message>
</context>
<context>
    <name>DOSOutputs</name>
    <message>
        <source>Command Line is empty</source>
        <translation>Die Befehlszeile ist leer</translation>
    </message>
    <message>
        <source>CreatePipe failed. Error: %1</source>
        <translation>CreatePipe ist fehlgeschlagen. Fehler: %1</translation>
    </message>
    <message>
        <source>File or command not found</source>
        <translation>Datei oder Befehl nicht gefunden</translation>
    </message>
</context>
<context>
    <name>DriveCheck</name>
    <message>
        <source>You can&apos;t choose this drive!</source>
        <translation>Dieses Laufwerk kann nicht gewählt werden.</translation>
    </message>
</context>
<context>
    <name>EncoderOptions</name>
    <message>
        <source>Error occured while getting paramters</source>
        <translation>Fehler beim Ermitteln der Parameter</translation>
    </message>
    <message>
        <source>Type mismatch: the audio bitrate &quot;%1&quot; is not digits only.</source>
        <translation>Typfehler: Die Audiobitrate „%1“ besteht nicht nur aus Ziffern.</translation>
    </message>
    <message>
        <source>Overflow: the audio bitrate &quot;%1&quot; is too large.</source>
        <translation>Überlauf: Die Audiobitrate „%1“ ist zu groß.</translation>
    </message>
    <message>
        <source>Type mismatch: the video bitrate &quot;%1&quot; is not digits only.</source>
        <translation>Typfehler: Die Videobitrate „%1“ besteht nicht nur aus Ziffern.</translation>
    </message>
    <message>
        <source>Overflow: the video bitrate &quot;%1&quot; is too large.</source>
        <translation>Überlauf: Die Videobitrate „%1“ ist zu groß.</translation>
    </message>
    <message>
        <source>Invalid procedure call: the channels &quot;%1&quot; is not one digit from 1 to 9.</source>
        <translation>Ungültiger Aufruf: Die Kanalzahl „%1“ ist keine Ziffer von 1 bis 9.</translation>
    </message>
    <message>
        <source>Invalid procedure call: the frame rate &quot;%1&quot; is not digits with at most one &quot;.&quot;.</source>
        <translation>Ungültiger Aufruf: Die Bildrate „%1“ besteht nicht aus Ziffern mit höchstens einem „.“.</translation>
    </message>
    <message>
        <source>Overflow: the selection %1 to %2 is too long.</source>
        <translation>Überlauf: Die Auswahl von %1 bis %2 ist zu lang.</translation>
    </message>
    <message>
        <source>Invalid procedure call: the selection %1 to %2 is empty or out of range.</source>
        <translation>Ungültiger Aufruf: Die Auswahl von %1 bis %2 ist leer oder liegt außerhalb des Videos.</translation>
    </message>
    <message>
        <source>Invalid procedure call: the video size &quot;%1&quot; has no &quot;(&quot;.</source>
        <translation>Ungültiger Aufruf: Die Bildgröße „%1“ enthält keine „(“.</translation>
    </message>
</context>
<context>
    <name>FileDialogs</name>
    <message>
        <source>All Files (*.*) (*)</source>
        <translation>Alle Dateien (*.*) (*)</translation>
    </message>
</context>
<context>
    <name>FormatChoice</name>
    <message>
        <source>Channels Field in the custom Format can not be empty.</source>
        <translation>Das Feld „Kanäle“ des eigenen Formats darf nicht leer sein.</translation>
    </message>
    <message>
        <source>Frame Rate Field in the custom Format can not be empty.</source>
        <translation>Das Feld „Bildrate“ des eigenen Formats darf nicht leer sein.</translation>
    </message>
    <message>
        <source>Audio Bitrate Field in the custom Format can not be empty.</source>
        <translation>Das Feld „Audiobitrate“ des eigenen Formats darf nicht leer sein.</translation>
    </message>
    <message>
        <source>Video Bitrate Field in the custom Format can not be empty.</source>
        <translation>Das Feld „Videobitrate“ des eigenen Formats darf nicht leer sein.</translation>
    </message>
    <message>
        <source>Category:%1, Codec:&quot;%2&quot;, Container:&quot;%3&quot;</source>
        <translation>Kategorie: %1, Codec: „%2“, Container: „%3“</translation>
    </message>
    <message>
        <source>Container:%1, Video Codec:&quot;%2&quot;, Audio Codec:&quot;%3&quot;</source>
        <translation>Container: %1, Videocodec: „%2“, Audiocodec: „%3“</translation>
    </message>
</context>
<context>
    <name>FormatPanel</name>
    <message>
        <source>This format copies the video, so the cut starts at the keyframe before the start mark, not on the marked frame. Choose a format that re-encodes for an exact cut.</source>
        <translation>Dieses Format kopiert das Video, daher beginnt der Schnitt am Schlüsselbild vor der Anfangsmarke und nicht am markierten Bild. Wählen Sie für einen bildgenauen Schnitt ein Format, das neu kodiert.</translation>
    </message>
</context>
<context>
    <name>JoinJob</name>
    <message>
        <source>Error joining files: %1<byte value="xd"/>
%2</source>
        <translation>Fehler beim Zusammenfügen der Dateien: %1<byte value="xd"/>
%2</translation>
    </message>
    <message>
        <source>Remove Listed Parts works on the parts of one video.</source>
        <translation>„Herausschneiden“ funktioniert nur mit den Abschnitten eines einzigen Videos.</translation>
    </message>
</context>
<context>
    <name>OutputPath</name>
    <message>
        <source>Output Folder is not exist and can not be created.</source>
        <translation>Der Zielordner existiert nicht und kann nicht angelegt werden.</translation>
    </message>
</context>
<context>
    <name>PreviewModule</name>
    <message>
        <source>The preview module made no engine.</source>
        <translation>Das Vorschaumodul hat keine Wiedergabe bereitgestellt.</translation>
    </message>
    <message>
        <source>The video preview cannot be started:<byte value="xd"/>
%1</source>
        <translation>Die Videovorschau kann nicht gestartet werden:<byte value="xd"/>
%1</translation>
    </message>
</context>
<context>
    <name>PreviewSession</name>
    <message>
        <source>File is not supported</source>
        <translation>Die Datei wird nicht unterstützt</translation>
    </message>
</context>
<context>
    <name>TimelineBand</name>
    <message>
        <source>Timeline</source>
        <translation>Zeitleiste</translation>
    </message>
    <message>
        <source>Keyframes every %1 s</source>
        <translation>Schlüsselbilder alle %1 s</translation>
    </message>
    <message>
        <source>1 keyframe</source>
        <translation>1 Schlüsselbild</translation>
    </message>
    <message numerus="yes">
        <source>%n keyframes</source>
        <translation>
            <numerusform>%n Schlüsselbild</numerusform>
            <numerusform>%n Schlüsselbilder</numerusform>
        </translation>
    </message>
    <message>
        <source>Pictures of the keyframes. Click or drag to seek</source>
        <translation>Schlüsselbilder. Klicken oder ziehen, um zu springen</translation>
    </message>
    <message>
        <source>The sound&apos;s loudness. Click or drag to seek</source>
        <translation>Lautstärke des Tons. Klicken oder ziehen, um zu springen</translation>
    </message>
    <message>
        <source>This video has no sound: there is no waveform</source>
        <translation>Dieses Video hat keinen Ton: keine Wellenform</translation>
    </message>
    <message>
        <source>The loudness of the first sound track along the video</source>
        <translation>Lautstärke der ersten Tonspur entlang des Videos</translation>
    </message>
    <message>
        <source>This video has no sound</source>
        <translation>Dieses Video hat keinen Ton</translation>
    </message>
    <message>
        <source>%1 breaks, %2 scene changes. Alt+Right and Alt+Left go to the next and previous break, Alt+Shift+Right and Alt+Shift+Left to the next and previous scene change</source>
        <translation>%1 Pausen, %2 Szenenwechsel. Alt+Pfeil rechts und Alt+Pfeil links gehen zur nächsten und vorigen Pause, Alt+Umschalt+Pfeil rechts und Alt+Umschalt+Pfeil links zum nächsten und vorigen Szenenwechsel</translation>
    </message>
</context>
<context>
    <name>TimelineMarkers</name>
    <message>
        <source>Breaks</source>
        <translation>Pausen</translation>
    </message>
    <message>
        <source>Break at %1, %2 s</source>
        <translation>Pause bei %1, %2 s</translation>
    </message>
</context>
<context>
    <name>TimelineStrip</name>
    <message>
        <source>Thumbnails</source>
        <translation>Vorschaubilder</translation>
    </message>
    <message>
        <source>Pictures of the keyframes along the video</source>
        <translation>Bilder der Schlüsselbilder entlang des Videos</translation>
    </message>
    <message>
        <source>Waveform</source>
        <translation>Wellenform</translation>
    </message>
</context>
<context>
    <name>VideoFiles</name>
    <message>
        <source>Common Video Files</source>
        <translation>Gängige Videodateien</translation>
    </message>
    <message>
        <source>MPEG Files(.mpg,*.mpeg,*.mp2,*.mp4,*.mpe,*.m4v)</source>
        <translation>MPEG-Dateien (.mpg,*.mpeg,*.mp2,*.mp4,*.mpe,*.m4v)</translation>
    </message>
    <message>
        <source>Windows Media Files(*.wmv,*.asf)</source>
        <translation>Windows-Media-Dateien (*.wmv,*.asf)</translation>
    </message>
    <message>
        <source>AVI Files(*.avi)</source>
        <translation>AVI-Dateien (*.avi)</translation>
    </message>
    <message>
        <source>QuickTime Files-Ver2 or less(*.mov)</source>
        <translation>QuickTime-Dateien bis Version 2 (*.mov)</translation>
    </message>
    <message>
        <source>All Files(*.*)</source>
        <translation>Alle Dateien (*.*)</translation>
    </message>
</context>
<context>
    <name>WindowLayout</name>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>Minimize</source>
        <translation>Minimieren</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Three Easy Steps to cut your video files</source>
        <translation>Videos schneiden in drei einfachen Schritten</translation>
    </message>
    <message>
        <source>Load Video File ...</source>
        <translation>Video öffnen…</translation>
    </message>
    <message>
        <source>Load a video file (Ctrl+O)</source>
        <translation>Eine Videodatei öffnen (Strg+O)</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Wiedergabe</translation>
    </message>
    <message>
        <source>Play or pause the preview (Space)</source>
        <translation>Vorschau abspielen oder anhalten (Leertaste)</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stopp</translation>
    </message>
    <message>
        <source>Stop the preview and rewind</source>
        <translation>Vorschau stoppen und zum Anfang zurückkehren</translation>
    </message>
    <message>
        <source>Preview frame</source>
        <translation>Vorschaurahmen</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Vorschau</translation>
    </message>
    <message>
        <source>Position</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>Position and length</source>
        <translation>Position und Länge</translation>
    </message>
    <message>
        <source>Start Selection</source>
        <translation>Anfang setzen</translation>
    </message>
    <message>
        <source>Mark the start of the part to cut (I)</source>
        <translation>Den Anfang des zu schneidenden Abschnitts markieren (I)</translation>
    </message>
    <message>
        <source>End Selection</source>
        <translation>Ende setzen</translation>
    </message>
    <message>
        <source>Mark the end of the part to cut (O)</source>
        <translation>Das Ende des zu schneidenden Abschnitts markieren (O)</translation>
    </message>
    <message>
        <source>Reset Selection</source>
        <translation>Marken löschen</translation>
    </message>
    <message>
        <source>Clear both marks</source>
        <translation>Beide Marken löschen</translation>
    </message>
    <message>
        <source>Selection start</source>
        <translation>Auswahlbeginn</translation>
    </message>
    <message>
        <source>Selection end</source>
        <translation>Auswahlende</translation>
    </message>
    <message>
        <source>Add to List</source>
        <translation>Zur Liste</translation>
    </message>
    <message>
        <source>Add the marked part, with the format and folder chosen now, to the cut list (A)</source>
        <translation>Den markierten Abschnitt mit dem jetzt gewählten Format und Ordner zur Schnittliste hinzufügen (A)</translation>
    </message>
    <message>
        <source>Exact marks</source>
        <translation>Bildgenaue Marken</translation>
    </message>
    <message>
        <source>Mark the frame shown, to the millisecond, and cut from that frame. Step frames with , and . (one second with Left and Right)</source>
        <translation>Das angezeigte Bild auf die Millisekunde genau markieren und ab diesem Bild schneiden. Mit , und . bildweise weiter (mit Pfeil links und rechts sekundenweise)</translation>
    </message>
    <message>
        <source>Mark exact frames</source>
        <translation>Bildgenau markieren</translation>
    </message>
    <message>
        <source>Output Format:</source>
        <translation>Ausgabeformat:</translation>
    </message>
    <message>
        <source>Output format</source>
        <translation>Ausgabeformat</translation>
    </message>
    <message>
        <source>Change...</source>
        <translation>Ändern…</translation>
    </message>
    <message>
        <source>Change output format</source>
        <translation>Ausgabeformat ändern</translation>
    </message>
    <message>
        <source>Output Folder:</source>
        <translation>Zielordner:</translation>
    </message>
    <message>
        <source>Same folder as input file</source>
        <translation>Gleicher Ordner wie die Quelldatei</translation>
    </message>
    <message>
        <source>Other folder</source>
        <translation>Anderer Ordner</translation>
    </message>
    <message>
        <source>Output folder</source>
        <translation>Zielordner</translation>
    </message>
    <message>
        <source>Browse...</source>
        <translation>Durchsuchen…</translation>
    </message>
    <message>
        <source>Choose the output folder</source>
        <translation>Zielordner auswählen</translation>
    </message>
    <message>
        <source>Task Progress:</source>
        <translation>Fortschritt:</translation>
    </message>
    <message>
        <source>Task progress</source>
        <translation>Fortschritt</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Fortschrittsbalken</translation>
    </message>
    <message>
        <source>Shutdown after task complete</source>
        <translation>Nach Abschluss herunterfahren</translation>
    </message>
    <message>
        <source>Power the computer off when the task has ended</source>
        <translation>Den Rechner ausschalten, wenn die Aufgabe beendet ist</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Starten</translation>
    </message>
    <message>
        <source>Start or stop the cut (Ctrl+Return)</source>
        <translation>Den Schnitt starten oder abbrechen (Strg+Eingabe)</translation>
    </message>
    <message>
        <source>Cut List...</source>
        <translation>Liste…</translation>
    </message>
    <message>
        <source>Show the cut list, to run its cuts in one go</source>
        <translation>Die Schnittliste zeigen, um ihre Schnitte in einem Durchgang auszuführen</translation>
    </message>
    <message>
        <source>Snipora picture</source>
        <translation>Snipora-Bild</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>Snipora is an easy to use tool to extract a part of your video files to various video formats.</source>
        <translation>Snipora ist ein einfach zu bedienendes Werkzeug, das einen Teil Ihrer Videodateien in verschiedenen Videoformaten speichert.</translation>
    </message>
    <message>
        <source>Snipora is using</source>
        <translation>Snipora nutzt</translation>
    </message>
    <message>
        <source>Open the FFmpeg home page</source>
        <translation>Die Website von FFmpeg öffnen</translation>
    </message>
    <message>
        <source>About the maker</source>
        <translation>Über den Hersteller</translation>
    </message>
    <message>
        <source>Output Video Formats</source>
        <translation>Ausgabeformate</translation>
    </message>
    <message>
        <source>Presets</source>
        <translation>Voreinstellungen</translation>
    </message>
    <message>
        <source>Custom (Advanced)</source>
        <translation>Eigenes Format (erweitert)</translation>
    </message>
    <message>
        <source>Preset format</source>
        <translation>Voreingestelltes Format</translation>
    </message>
    <message>
        <source>Output Category:</source>
        <translation>Kategorie:</translation>
    </message>
    <message>
        <source>Output Category</source>
        <translation>Kategorie</translation>
    </message>
    <message>
        <source>Output Video Codec:</source>
        <translation>Videocodec:</translation>
    </message>
    <message>
        <source>Output Video Codec</source>
        <translation>Videocodec</translation>
    </message>
    <message>
        <source>Output File Format (Container):</source>
        <translation>Dateiformat (Container):</translation>
    </message>
    <message>
        <source>Output File Format (Container)</source>
        <translation>Dateiformat (Container)</translation>
    </message>
    <message>
        <source>Custom format</source>
        <translation>Eigenes Format</translation>
    </message>
    <message>
        <source>Output Video Options</source>
        <translation>Videooptionen</translation>
    </message>
    <message>
        <source>Output Format(Container):</source>
        <translation>Format (Container):</translation>
    </message>
    <message>
        <source>Output Format (Container)</source>
        <translation>Format (Container)</translation>
    </message>
    <message>
        <source>Video Size:</source>
        <translation>Bildgröße:</translation>
    </message>
    <message>
        <source>Video Size</source>
        <translation>Bildgröße</translation>
    </message>
    <message>
        <source>Bitrate:</source>
        <translation>Bitrate:</translation>
    </message>
    <message>
        <source>Video Bitrate</source>
        <translation>Videobitrate</translation>
    </message>
    <message>
        <source>kbps</source>
        <translation>kbit/s</translation>
    </message>
    <message>
        <source>Aspect Ratio:</source>
        <translation>Seitenverhältnis:</translation>
    </message>
    <message>
        <source>Aspect Ratio</source>
        <translation>Seitenverhältnis</translation>
    </message>
    <message>
        <source>Frame rate:</source>
        <translation>Bildrate:</translation>
    </message>
    <message>
        <source>Frame rate</source>
        <translation>Bildrate</translation>
    </message>
    <message>
        <source>fps</source>
        <translation>B/s</translation>
    </message>
    <message>
        <source>Output Audio Options</source>
        <translation>Audiooptionen</translation>
    </message>
    <message>
        <source>Output Audio Codec:</source>
        <translation>Audiocodec:</translation>
    </message>
    <message>
        <source>Output Audio Codec</source>
        <translation>Audiocodec</translation>
    </message>
    <message>
        <source>Audio Bitrate</source>
        <translation>Audiobitrate</translation>
    </message>
    <message>
        <source>Sampling Rate:</source>
        <translation>Abtastrate:</translation>
    </message>
    <message>
        <source>Sampling Rate</source>
        <translation>Abtastrate</translation>
    </message>
    <message>
        <source>Channels:</source>
        <translation>Kanäle:</translation>
    </message>
    <message>
        <source>Channels</source>
        <translation>Kanäle</translation>
    </message>
    <message>
        <source>Fast seek</source>
        <translation>Schneller Suchlauf</translation>
    </message>
    <message>
        <source>Seek before reading the input: much faster for cuts late in long files. Cuts that copy the streams always do this, so they keep their opening.</source>
        <translation>Vor dem Lesen der Eingabe springen: viel schneller bei Schnitten spät in langen Dateien. Schnitte, die die Datenströme kopieren, tun das immer und behalten so ihren Anfang.</translation>
    </message>
    <message>
        <source>Restore Defaults</source>
        <translation>Standardwerte</translation>
    </message>
    <message>
        <source>Put every format setting back to its default</source>
        <translation>Alle Formateinstellungen auf ihre Standardwerte zurücksetzen</translation>
    </message>
    <message>
        <source>Save &amp;&amp; Close</source>
        <translation>Übernehmen</translation>
    </message>
    <message>
        <source>Check the custom fields and close this panel</source>
        <translation>Die Felder des eigenen Formats prüfen und diesen Bereich schließen</translation>
    </message>
    <message>
        <source>Save &amp; Close</source>
        <translation>Übernehmen</translation>
    </message>
    <message>
        <source>Cut List</source>
        <translation>Schnittliste</translation>
    </message>
    <message>
        <source>Move Up</source>
        <translation>Nach oben</translation>
    </message>
    <message>
        <source>Move the cut up the list</source>
        <translation>Den Schnitt in der Liste nach oben verschieben</translation>
    </message>
    <message>
        <source>Move Down</source>
        <translation>Nach unten</translation>
    </message>
    <message>
        <source>Move the cut down the list</source>
        <translation>Den Schnitt in der Liste nach unten verschieben</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Remove the selected cuts</source>
        <translation>Die ausgewählten Schnitte entfernen</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Leeren</translation>
    </message>
    <message>
        <source>Remove every cut</source>
        <translation>Alle Schnitte entfernen</translation>
    </message>
    <message>
        <source>Errors...</source>
        <translation>Fehler…</translation>
    </message>
    <message>
        <source>Show why the selected cut failed</source>
        <translation>Zeigen, warum der ausgewählte Schnitt fehlgeschlagen ist</translation>
    </message>
    <message>
        <source>Run List</source>
        <translation>Liste starten</translation>
    </message>
    <message>
        <source>Run the waiting cuts one after another</source>
        <translation>Die wartenden Schnitte nacheinander ausführen</translation>
    </message>
    <message>
        <source>Join into One File</source>
        <translation>Zusammenfügen</translation>
    </message>
    <message>
        <source>Join the waiting cuts, in list order, into one file</source>
        <translation>Die wartenden Schnitte in der Reihenfolge der Liste zu einer Datei zusammenfügen</translation>
    </message>
    <message>
        <source>Remove Listed Parts</source>
        <translation>Herausschneiden</translation>
    </message>
    <message>
        <source>Make one file of the video without the waiting cuts</source>
        <translation>Aus dem Video ohne die wartenden Schnitte eine Datei erstellen</translation>
    </message>
    <message>
        <source>Show timeline</source>
        <translation>Zeitleiste zeigen</translation>
    </message>
    <message>
        <source>Show keyframes, pictures and the sound under the slider. Ctrl+Left and Ctrl+Right go to the keyframe before and after</source>
        <translation>Schlüsselbilder, Bilder und Ton unter dem Schieberegler zeigen. Strg+Pfeil links und rechts springen zum Schlüsselbild davor und danach</translation>
    </message>
    <message>
        <source>Find Breaks</source>
        <translation>Pausen finden</translation>
    </message>
    <message>
        <source>Click or drag to seek. Left and Right: one second; Ctrl+Left and Ctrl+Right: the keyframe before and after; Alt+Right and Alt+Left: the next and previous break; Alt+Shift+Right and Alt+Shift+Left: the next and previous scene change; , and .: one frame; Home and End: the first and the last frame</source>
        <translation>Klicken oder ziehen, um zu springen. Pfeil links und rechts: eine Sekunde; Strg+Pfeil links und rechts: das Schlüsselbild davor und danach; Alt+Pfeil rechts und Alt+Pfeil links: die nächste und vorige Pause; Alt+Umschalt+Pfeil rechts und Alt+Umschalt+Pfeil links: der nächste und vorige Szenenwechsel; , und .: ein Bild; Pos1 und Ende: das erste und das letzte Bild</translation>
    </message>
    <message>
        <source>Find black and silent breaks and scene changes in the video. Alt+Right and Alt+Left go to the next and previous break, Alt+Shift+Right and Alt+Shift+Left to the next and previous scene change</source>
        <translation>Schwarze, stille Pausen und Szenenwechsel im Video finden. Alt+Pfeil rechts und Alt+Pfeil links gehen zur nächsten und vorigen Pause, Alt+Umschalt+Pfeil rechts und Alt+Umschalt+Pfeil links zum nächsten und vorigen Szenenwechsel</translation>
    </message>
    <message>
        <source>Add Breaks to List</source>
        <translation>Pausen zur Liste</translation>
    </message>
    <message>
        <source>Choose parts between the breaks found and add them to the cut list</source>
        <translation>Teile zwischen den gefundenen Pausen wählen und in die Schnittliste aufnehmen</translation>
    </message>
</context>
<context>
    <name>frmMain</name>
    <message>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Select a video file</source>
        <translation>Videodatei auswählen</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Wiedergabe</translation>
    </message>
    <message>
        <source>Please Stop the running task first.</source>
        <translation>Bitte brechen Sie zuerst die laufende Aufgabe ab.</translation>
    </message>
    <message>
        <source>Select folder to add</source>
        <translation>Zielordner auswählen</translation>
    </message>
    <message>
        <source>%1 %2</source>
        <comment>the progress caption, then what the task says of itself</comment>
        <translation>%1 %2</translation>
    </message>
    <message>
        <source>Finding breaks: %1 of %2</source>
        <translation>Pausen werden gesucht: %1 von %2</translation>
    </message>
    <message>
        <source>Breaks: %1, scene changes: %2 (the file is damaged: read up to the damage)</source>
        <translation>Pausen: %1, Szenenwechsel: %2 (die Datei ist beschädigt: bis zum Schaden gelesen)</translation>
    </message>
    <message>
        <source>Breaks: %1, scene changes: %2</source>
        <translation>Pausen: %1, Szenenwechsel: %2</translation>
    </message>
    <message>
        <source>Stopped. Breaks so far: %1, scene changes: %2</source>
        <translation>Angehalten. Bisher Pausen: %1, Szenenwechsel: %2</translation>
    </message>
    <message>
        <source>The breaks could not be found: the video cannot be read</source>
        <translation>Die Pausen konnten nicht gesucht werden: das Video ist nicht lesbar</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Abbrechen</translation>
    </message>
</context>
</TS>
