<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>BreakPartsDialog</name>
    <message>
        <source>Add Breaks to List</source>
        <translation>Pauses à la liste</translation>
    </message>
    <message>
        <source>Tick the parts to add to the cut list:</source>
        <translation>Cochez les parties à ajouter à la liste des coupes :</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Début</translation>
    </message>
    <message>
        <source>End</source>
        <translation>Fin</translation>
    </message>
    <message>
        <source>Length</source>
        <translation>Durée</translation>
    </message>
    <message>
        <source>Parts between the breaks</source>
        <translation>Parties entre les pauses</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Ajouter</translation>
    </message>
</context>
<context>
    <name>CVideoConv</name>
    <message>
        <source>Error Occured:<byte value="xd"/>
%1 - %2 - 0</source>
        <translation>Une erreur s&apos;est produite&#xa0;:<byte value="xd"/>
%1 - %2 - 0</translation>
    </message>
    <message>
        <source>The output file was not found after the encoder ended: %1</source>
        <translation>Le fichier de sortie est introuvable après la fin de l&apos;encodeur&#xa0;: %1</translation>
    </message>
    <message>
        <source>The encoder was ended by signal %1 (%2).</source>
        <translation>L&apos;encodeur a été arrêté par le signal %1 (%2).</translation>
    </message>
    <message>
        <source>Error converting file: %1<byte value="xd"/>
%2</source>
        <translation>Erreur lors de la conversion du fichier&#xa0;: %1<byte value="xd"/>
%2</translation>
    </message>
</context>
<context>
    <name>Catalogue</name>
    <message>
        <source>Error Occured while Loading Presets.</source>
        <translation>Erreur lors du chargement des préréglages.</translation>
    </message>
    <message>
        <source>Error Occured while Loading Codecs.</source>
        <translation>Erreur lors du chargement des codecs.</translation>
    </message>
    <message>
        <source>a field line without a tag between &quot;&lt;&quot; and &quot;&gt;&quot;</source>
        <translation>une ligne de champ sans balise entre «&#xa0;&lt;&#xa0;» et «&#xa0;&gt;&#xa0;»</translation>
    </message>
    <message>
        <source>the closing tag &lt;/%1&gt; is missing</source>
        <translation>la balise fermante &lt;/%1&gt; manque</translation>
    </message>
    <message>
        <source>Line %1: %2.</source>
        <translation>Ligne %1&#xa0;: %2.</translation>
    </message>
    <message>
        <source>overflow, the file has more lines than the reader can count</source>
        <translation>dépassement, le fichier a plus de lignes que la lecture ne peut en compter</translation>
    </message>
    <message>
        <source>the block runs past the end of the file</source>
        <translation>le bloc va au-delà de la fin du fichier</translation>
    </message>
    <message>
        <source>file not found</source>
        <translation>fichier introuvable</translation>
    </message>
    <message>
        <source>input past end of file (the file is empty)</source>
        <translation>lecture au-delà de la fin du fichier (le fichier est vide)</translation>
    </message>
    <message>
        <source>No video codec to select: the video codec list is empty.</source>
        <translation>Aucun codec vidéo à choisir&#xa0;: la liste des codecs vidéo est vide.</translation>
    </message>
    <message>
        <source>No audio codec to select: the audio codec list is empty.</source>
        <translation>Aucun codec audio à choisir&#xa0;: la liste des codecs audio est vide.</translation>
    </message>
</context>
<context>
    <name>CutJob</name>
    <message>
        <source>No free output file name.</source>
        <translation>Aucun nom libre pour le fichier de sortie.</translation>
    </message>
    <message>
        <source>; </source>
        <translation> ; </translation>
    </message>
</context>
<context>
    <name>CutList</name>
    <message>
        <source>waiting</source>
        <translation>en attente</translation>
    </message>
    <message>
        <source>running</source>
        <translation>en cours</translation>
    </message>
    <message>
        <source>done</source>
        <translation>terminée</translation>
    </message>
    <message>
        <source>failed</source>
        <translation>échouée</translation>
    </message>
    <message>
        <source>stopped</source>
        <translation>arrêtée</translation>
    </message>
    <message>
        <source>Same folder as input file</source>
        <translation>Même dossier que le fichier source</translation>
    </message>
    <message>
        <source>done: %1</source>
        <translation>terminée&#xa0;: %1</translation>
    </message>
    <message>
        <source>source missing</source>
        <translation>source introuvable</translation>
    </message>
    <message>
        <source>Task Progress:[%1 of %2]</source>
        <translation>Progression&#xa0;: [%1 sur %2]</translation>
    </message>
    <message>
        <source>%1 done, %2 failed, %3 stopped.</source>
        <translation>Terminées&#xa0;: %1, échouées&#xa0;: %2, arrêtées&#xa0;: %3.</translation>
    </message>
    <message numerus="yes">
        <source>%1 %n skipped: source missing.</source>
        <translation>
            <numerusform>%1 %n découpe ignorée&#xa0;: source introuvable.</numerusform>
            <numerusform>%1 %n découpes ignorées&#xa0;: source introuvable.</numerusform>
        </translation>
    </message>
    <message>
        <source>The cut list file cannot be read or set aside. The list starts empty and is not kept.</source>
        <translation>Le fichier de la liste des découpes ne peut être ni lu ni mis de côté. La liste commence vide et n&apos;est pas conservée.</translation>
    </message>
    <message>
        <source>The cut list file was written by another program or a newer Snipora. It was kept as %1, and the list starts empty.</source>
        <translation>Le fichier de la liste des découpes a été écrit par un autre programme ou une version plus récente de Snipora. Il a été conservé sous le nom %1 et la liste commence vide.</translation>
    </message>
    <message>
        <source>The cut list file is damaged. It was kept as %1, and the list starts empty.</source>
        <translation>Le fichier de la liste des découpes est endommagé. Il a été conservé sous le nom %1 et la liste commence vide.</translation>
    </message>
    <message>
        <source>The cut list is in use by another Snipora window. This window&apos;s list is not kept.</source>
        <translation>La liste des découpes est utilisée par une autre fenêtre de Snipora. La liste de cette fenêtre n&apos;est pas conservée.</translation>
    </message>
    <message>
        <source>The cut list cannot be kept in %1.</source>
        <translation>La liste des découpes ne peut pas être conservée dans %1.</translation>
    </message>
    <message>
        <source>Task Progress:[Joining %1 of %2]</source>
        <translation>Progression&#xa0;: [Assemblage %1 sur %2]</translation>
    </message>
</context>
<context>
    <name>CutListPanel</name>
    <message>
        <source>Stop List</source>
        <translation>Arrêter la liste</translation>
    </message>
    <message>
        <source>Cut list</source>
        <translation>Liste des découpes</translation>
    </message>
    <message>
        <source>The cut list could not be saved to %1.</source>
        <translation>La liste des découpes n&apos;a pas pu être enregistrée dans %1.</translation>
    </message>
    <message numerus="yes">
        <source>%n cuts of the list have not run yet. Clear the list all the same?</source>
        <translation>
            <numerusform>%n découpe de la liste n&apos;a pas encore été faite. Vider la liste quand même&#xa0;?</numerusform>
            <numerusform>%n découpes de la liste n&apos;ont pas encore été faites. Vider la liste quand même&#xa0;?</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 failed:
%2</source>
        <translation>Échec de %1&#xa0;:
%2</translation>
    </message>
    <message>
        <source>Run List</source>
        <translation>Lancer la liste</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Arrêter</translation>
    </message>
    <message>
        <source>Join into One File</source>
        <translation>Réunir en un fichier</translation>
    </message>
    <message>
        <source>Remove Listed Parts</source>
        <translation>Enlever les parties</translation>
    </message>
</context>
<context>
    <name>CutListRunner</name>
    <message>
        <source>No cut in the list is waiting.</source>
        <translation>Aucune découpe de la liste n&apos;est en attente.</translation>
    </message>
    <message>
        <source>Task Progress:</source>
        <translation>Progression&#xa0;:</translation>
    </message>
</context>
<context>
    <name>CutNotices</name>
    <message>
        <source>video track %1 (%2)</source>
        <translation>piste vidéo %1 (%2)</translation>
    </message>
    <message>
        <source>sound track %1 (%2)</source>
        <translation>piste audio %1 (%2)</translation>
    </message>
    <message>
        <source>subtitle track %1 (%2)</source>
        <translation>piste de sous-titres %1 (%2)</translation>
    </message>
    <message>
        <source>attachment %1 (%2)</source>
        <translation>pièce jointe %1 (%2)</translation>
    </message>
    <message>
        <source>data track %1 (%2)</source>
        <translation>piste de données %1 (%2)</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1 : %2</translation>
    </message>
    <message>
        <source>the frame times could not be read</source>
        <translation>les instants des images n’ont pas pu être lus</translation>
    </message>
    <message>
        <source>the range holds no frame</source>
        <translation>la plage ne contient aucune image</translation>
    </message>
    <message>
        <source>some frame times are missing</source>
        <translation>il manque l’instant de certaines images</translation>
    </message>
    <message>
        <source>its codec (%1) is not H.264 or HEVC</source>
        <translation>son codec (%1) n’est ni H.264 ni HEVC</translation>
    </message>
    <message>
        <source>its profile or pixel format (%1) cannot be matched</source>
        <translation>son profil ou son format de pixel (%1) ne peut pas être reproduit</translation>
    </message>
    <message>
        <source>its frame size is odd</source>
        <translation>la taille de ses images est impaire</translation>
    </message>
    <message>
        <source>it is interlaced</source>
        <translation>elle est entrelacée</translation>
    </message>
    <message>
        <source>it reorders frames deeper than the encoder can match</source>
        <translation>elle réordonne les images plus profondément que l’encodeur ne peut le reproduire</translation>
    </message>
    <message>
        <source>its container (%1) cannot be searched exactly</source>
        <translation>son conteneur (%1) ne permet pas une recherche exacte</translation>
    </message>
    <message>
        <source>some decode times are missing</source>
        <translation>il manque certains instants de décodage</translation>
    </message>
    <message>
        <source>it has open GOPs</source>
        <translation>elle a des GOP ouverts</translation>
    </message>
    <message>
        <source>no keyframe lies inside the range</source>
        <translation>aucune image clé ne se trouve dans la plage</translation>
    </message>
    <message>
        <source>the copied part did not match its source</source>
        <translation>la partie copiée ne correspondait pas à sa source</translation>
    </message>
    <message>
        <source>it is coded otherwise than part 1 (%1)</source>
        <translation>elle est codée autrement que la partie 1 (%1)</translation>
    </message>
    <message>
        <source>part %1: %2</source>
        <translation>partie %1 : %2</translation>
    </message>
    <message>
        <source>Exact cut by re-encoding: the source cannot be copied exactly (%1)</source>
        <translation>Coupe exacte par réencodage : la source ne peut pas être copiée exactement (%1)</translation>
    </message>
    <message>
        <source>Exact join by re-encoding: the parts cannot be joined by copying (%1)</source>
        <translation>Assemblage exact par réencodage : les parties ne peuvent pas être assemblées par copie (%1)</translation>
    </message>
    <message>
        <source>, </source>
        <translation>, </translation>
    </message>
    <message>
        <source>Not kept, as a join keeps only picture and sound: %1</source>
        <translation>Non conservé, car un assemblage ne garde que l’image et le son : %1</translation>
    </message>
    <message>
        <source>Not kept, as %1 cannot hold them: %2</source>
        <translation>Non conservé, car %1 ne peut pas les contenir : %2</translation>
    </message>
    <message>
        <source>Not kept on the re-encoded video: %1 dynamic metadata</source>
        <translation>Non conservé dans la vidéo réencodée : métadonnées dynamiques %1</translation>
    </message>
    <message>
        <source>Not kept on the re-encoded start and end: %1 dynamic metadata</source>
        <translation>Non conservé au début et à la fin réencodés : métadonnées dynamiques %1</translation>
    </message>
</context>
<context>
    <name>CutWorkflow</name>
    <message>
        <source>Task Progress:[Stopped]</source>
        <translation>Progression&#xa0;: [Arrêtée]</translation>
    </message>
    <message>
        <source>Task Progress:</source>
        <translation>Progression&#xa0;:</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Démarrer</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Arrêter</translation>
    </message>
    <message>
        <source>No video file loaded</source>
        <translation>Aucun fichier vidéo chargé</translation>
    </message>
    <message>
        <source>No part selected. Please, select a part first using &apos;Start Selection&apos; and &apos;End Selection&apos;.</source>
        <translation>Aucune partie sélectionnée. Veuillez d&apos;abord sélectionner une partie avec «&#xa0;Point d&apos;entrée&#xa0;» et «&#xa0;Point de sortie&#xa0;».</translation>
    </message>
    <message>
        <source>No part selected, &apos;Start Selection&apos; can not be greater than &apos;End Selection&apos;.</source>
        <translation>Aucune partie sélectionnée&#xa0;: le début ne peut pas se trouver après la fin.</translation>
    </message>
</context>
<context>
    <name>DOSOutputs</name>
    <message>
        <source>Command Line is empty</source>
        <translation>La ligne de commande est vide</translation>
    </message>
    <message>
        <source>CreatePipe failed. Error: %1</source>
        <translation>Échec de CreatePipe. Erreur&#xa0;: %1</translation>
    </message>
    <message>
        <source>File or command not found</source>
        <translation>Fichier ou commande introuvable</translation>
    </message>
</context>
<context>
    <name>DriveCheck</name>
    <message>
        <source>You can&apos;t choose this drive!</source>
        <translation>Vous ne pouvez pas choisir ce lecteur.</translation>
    </message>
</context>
<context>
    <name>EncoderOptions</name>
    <message>
        <source>Error occured while getting paramters</source>
        <translation>Erreur lors de la lecture des paramètres</translation>
    </message>
    <message>
        <source>Type mismatch: the audio bitrate &quot;%1&quot; is not digits only.</source>
        <translation>Type incorrect&#xa0;: le débit audio «&#xa0;%1&#xa0;» ne contient pas que des chiffres.</translation>
    </message>
    <message>
        <source>Overflow: the audio bitrate &quot;%1&quot; is too large.</source>
        <translation>Dépassement&#xa0;: le débit audio «&#xa0;%1&#xa0;» est trop grand.</translation>
    </message>
    <message>
        <source>Type mismatch: the video bitrate &quot;%1&quot; is not digits only.</source>
        <translation>Type incorrect&#xa0;: le débit vidéo «&#xa0;%1&#xa0;» ne contient pas que des chiffres.</translation>
    </message>
    <message>
        <source>Overflow: the video bitrate &quot;%1&quot; is too large.</source>
        <translation>Dépassement&#xa0;: le débit vidéo «&#xa0;%1&#xa0;» est trop grand.</translation>
    </message>
    <message>
        <source>Invalid procedure call: the channels &quot;%1&quot; is not one digit from 1 to 9.</source>
        <translation>Appel de procédure incorrect&#xa0;: le nombre de canaux «&#xa0;%1&#xa0;» n&apos;est pas un chiffre de 1 à 9.</translation>
    </message>
    <message>
        <source>Invalid procedure call: the frame rate &quot;%1&quot; is not digits with at most one &quot;.&quot;.</source>
        <translation>Appel de procédure incorrect&#xa0;: la fréquence d&apos;images «&#xa0;%1&#xa0;» n&apos;est pas faite de chiffres avec au plus un «&#xa0;.&#xa0;».</translation>
    </message>
    <message>
        <source>Overflow: the selection %1 to %2 is too long.</source>
        <translation>Dépassement&#xa0;: la sélection de %1 à %2 est trop longue.</translation>
    </message>
    <message>
        <source>Invalid procedure call: the selection %1 to %2 is empty or out of range.</source>
        <translation>Appel de procédure incorrect&#xa0;: la sélection de %1 à %2 est vide ou hors de la vidéo.</translation>
    </message>
    <message>
        <source>Invalid procedure call: the video size &quot;%1&quot; has no &quot;(&quot;.</source>
        <translation>Appel de procédure incorrect&#xa0;: la taille de l&apos;image «&#xa0;%1&#xa0;» ne contient pas de «&#xa0;(&#xa0;».</translation>
    </message>
</context>
<context>
    <name>FileDialogs</name>
    <message>
        <source>All Files (*.*) (*)</source>
        <translation>Tous les fichiers (*.*) (*)</translation>
    </message>
</context>
<context>
    <name>FormatChoice</name>
    <message>
        <source>Channels Field in the custom Format can not be empty.</source>
        <translation>Le champ «&#xa0;Canaux&#xa0;» du format personnalisé ne peut pas être vide.</translation>
    </message>
    <message>
        <source>Frame Rate Field in the custom Format can not be empty.</source>
        <translation>Le champ «&#xa0;Fréquence d&apos;images&#xa0;» du format personnalisé ne peut pas être vide.</translation>
    </message>
    <message>
        <source>Audio Bitrate Field in the custom Format can not be empty.</source>
        <translation>Le champ «&#xa0;Débit audio&#xa0;» du format personnalisé ne peut pas être vide.</translation>
    </message>
    <message>
        <source>Video Bitrate Field in the custom Format can not be empty.</source>
        <translation>Le champ «&#xa0;Débit vidéo&#xa0;» du format personnalisé ne peut pas être vide.</translation>
    </message>
    <message>
        <source>Category:%1, Codec:&quot;%2&quot;, Container:&quot;%3&quot;</source>
        <translation>Catégorie&#xa0;: %1, codec&#xa0;: «&#xa0;%2&#xa0;», conteneur&#xa0;: «&#xa0;%3&#xa0;»</translation>
    </message>
    <message>
        <source>Container:%1, Video Codec:&quot;%2&quot;, Audio Codec:&quot;%3&quot;</source>
        <translation>Conteneur&#xa0;: %1, codec vidéo&#xa0;: «&#xa0;%2&#xa0;», codec audio&#xa0;: «&#xa0;%3&#xa0;»</translation>
    </message>
</context>
<context>
    <name>FormatPanel</name>
    <message>
        <source>This format copies the video, so the cut starts at the keyframe before the start mark, not on the marked frame. Choose a format that re-encodes for an exact cut.</source>
        <translation>Ce format copie la vidéo&#xa0;: la découpe commence donc à l&apos;image clé qui précède la marque de début, et non à l&apos;image marquée. Choisissez un format qui réencode pour une découpe exacte.</translation>
    </message>
</context>
<context>
    <name>JoinJob</name>
    <message>
        <source>Error joining files: %1<byte value="xd"/>
%2</source>
        <translation>Erreur lors de l&apos;assemblage des fichiers&#xa0;: %1<byte value="xd"/>
%2</translation>
    </message>
    <message>
        <source>Remove Listed Parts works on the parts of one video.</source>
        <translation>«&#xa0;Enlever les parties&#xa0;» ne fonctionne qu&apos;avec les parties d&apos;une seule vidéo.</translation>
    </message>
</context>
<context>
    <name>OutputPath</name>
    <message>
        <source>Output Folder is not exist and can not be created.</source>
        <translation>Le dossier de sortie n&apos;existe pas et ne peut pas être créé.</translation>
    </message>
</context>
<context>
    <name>PreviewModule</name>
    <message>
        <source>The preview module made no engine.</source>
        <translation>Le module d&apos;aperçu n&apos;a fourni aucun moteur de lecture.</translation>
    </message>
    <message>
        <source>The video preview cannot be started:<byte value="xd"/>
%1</source>
        <translation>L&apos;aperçu vidéo ne peut pas être lancé&#xa0;:<byte value="xd"/>
%1</translation>
    </message>
</context>
<context>
    <name>PreviewSession</name>
    <message>
        <source>File is not supported</source>
        <translation>Ce fichier n&apos;est pas pris en charge</translation>
    </message>
</context>
<context>
    <name>TimelineBand</name>
    <message>
        <source>Timeline</source>
        <translation>Frise</translation>
    </message>
    <message>
        <source>Keyframes every %1 s</source>
        <translation>Images clés toutes les %1&#xa0;s</translation>
    </message>
    <message>
        <source>1 keyframe</source>
        <translation>1 image clé</translation>
    </message>
    <message numerus="yes">
        <source>%n keyframes</source>
        <translation>
            <numerusform>%n image clé</numerusform>
            <numerusform>%n images clés</numerusform>
        </translation>
    </message>
    <message>
        <source>Pictures of the keyframes. Click or drag to seek</source>
        <translation>Images clés. Cliquez ou faites glisser pour vous déplacer</translation>
    </message>
    <message>
        <source>The sound&apos;s loudness. Click or drag to seek</source>
        <translation>Volume du son. Cliquez ou faites glisser pour vous déplacer</translation>
    </message>
    <message>
        <source>This video has no sound: there is no waveform</source>
        <translation>Cette vidéo n&apos;a pas de son&#xa0;: pas de forme d&apos;onde</translation>
    </message>
    <message>
        <source>The loudness of the first sound track along the video</source>
        <translation>Volume de la première piste son le long de la vidéo</translation>
    </message>
    <message>
        <source>This video has no sound</source>
        <translation>Cette vidéo n&apos;a pas de son</translation>
    </message>
    <message>
        <source>%1 breaks, %2 scene changes. Alt+Right and Alt+Left go to the next and previous break, Alt+Shift+Right and Alt+Shift+Left to the next and previous scene change</source>
        <translation>%1 pauses, %2 changements de scène. Alt+Droite et Alt+Gauche vont à la pause suivante et précédente, Alt+Maj+Droite et Alt+Maj+Gauche au changement de scène suivant et précédent</translation>
    </message>
</context>
<context>
    <name>TimelineMarkers</name>
    <message>
        <source>Breaks</source>
        <translation>Pauses</translation>
    </message>
    <message>
        <source>Break at %1, %2 s</source>
        <translation>Pause à %1, %2 s</translation>
    </message>
</context>
<context>
    <name>TimelineStrip</name>
    <message>
        <source>Thumbnails</source>
        <translation>Vignettes</translation>
    </message>
    <message>
        <source>Pictures of the keyframes along the video</source>
        <translation>Images clés le long de la vidéo</translation>
    </message>
    <message>
        <source>Waveform</source>
        <translation>Forme d&apos;onde</translation>
    </message>
</context>
<context>
    <name>VideoFiles</name>
    <message>
        <source>Common Video Files</source>
        <translation>Fichiers vidéo courants</translation>
    </message>
    <message>
        <source>MPEG Files(.mpg,*.mpeg,*.mp2,*.mp4,*.mpe,*.m4v)</source>
        <translation>Fichiers MPEG (.mpg,*.mpeg,*.mp2,*.mp4,*.mpe,*.m4v)</translation>
    </message>
    <message>
        <source>Windows Media Files(*.wmv,*.asf)</source>
        <translation>Fichiers Windows Media (*.wmv,*.asf)</translation>
    </message>
    <message>
        <source>AVI Files(*.avi)</source>
        <translation>Fichiers AVI (*.avi)</translation>
    </message>
    <message>
        <source>QuickTime Files-Ver2 or less(*.mov)</source>
        <translation>Fichiers QuickTime jusqu&apos;à la version 2 (*.mov)</translation>
    </message>
    <message>
        <source>All Files(*.*)</source>
        <translation>Tous les fichiers (*.*)</translation>
    </message>
</context>
<context>
    <name>WindowLayout</name>
    <message>
        <source>About</source>
        <translation>À propos</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Aide</translation>
    </message>
    <message>
        <source>Minimize</source>
        <translation>Réduire</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fermer</translation>
    </message>
    <message>
        <source>Three Easy Steps to cut your video files</source>
        <translation>Découpez vos vidéos en trois étapes simples</translation>
    </message>
    <message>
        <source>Load Video File ...</source>
        <translation>Ouvrir…</translation>
    </message>
    <message>
        <source>Load a video file (Ctrl+O)</source>
        <translation>Ouvrir un fichier vidéo (Ctrl+O)</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Lecture</translation>
    </message>
    <message>
        <source>Play or pause the preview (Space)</source>
        <translation>Lire l&apos;aperçu ou le mettre en pause (Espace)</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Arrêt</translation>
    </message>
    <message>
        <source>Stop the preview and rewind</source>
        <translation>Arrêter l&apos;aperçu et revenir au début</translation>
    </message>
    <message>
        <source>Preview frame</source>
        <translation>Cadre de l&apos;aperçu</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Aperçu</translation>
    </message>
    <message>
        <source>Position</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>Position and length</source>
        <translation>Position et durée</translation>
    </message>
    <message>
        <source>Start Selection</source>
        <translation>Point d&apos;entrée</translation>
    </message>
    <message>
        <source>Mark the start of the part to cut (I)</source>
        <translation>Marquer le début de la partie à découper (I)</translation>
    </message>
    <message>
        <source>End Selection</source>
        <translation>Point de sortie</translation>
    </message>
    <message>
        <source>Mark the end of the part to cut (O)</source>
        <translation>Marquer la fin de la partie à découper (O)</translation>
    </message>
    <message>
        <source>Reset Selection</source>
        <translation>Réinitialiser</translation>
    </message>
    <message>
        <source>Clear both marks</source>
        <translation>Effacer les deux marques</translation>
    </message>
    <message>
        <source>Selection start</source>
        <translation>Début de la sélection</translation>
    </message>
    <message>
        <source>Selection end</source>
        <translation>Fin de la sélection</translation>
    </message>
    <message>
        <source>Add to List</source>
        <translation>Ajouter</translation>
    </message>
    <message>
        <source>Add the marked part, with the format and folder chosen now, to the cut list (A)</source>
        <translation>Ajouter la partie marquée à la liste des découpes, avec le format et le dossier choisis maintenant (A)</translation>
    </message>
    <message>
        <source>Exact marks</source>
        <translation>Marques exactes</translation>
    </message>
    <message>
        <source>Mark the frame shown, to the millisecond, and cut from that frame. Step frames with , and . (one second with Left and Right)</source>
        <translation>Marquer l&apos;image affichée, à la milliseconde près, et découper à partir de cette image. Image par image avec , et . (seconde par seconde avec Gauche et Droite)</translation>
    </message>
    <message>
        <source>Mark exact frames</source>
        <translation>Marquer des images exactes</translation>
    </message>
    <message>
        <source>Output Format:</source>
        <translation>Format de sortie&#xa0;:</translation>
    </message>
    <message>
        <source>Output format</source>
        <translation>Format de sortie</translation>
    </message>
    <message>
        <source>Change...</source>
        <translation>Modifier…</translation>
    </message>
    <message>
        <source>Change output format</source>
        <translation>Modifier le format de sortie</translation>
    </message>
    <message>
        <source>Output Folder:</source>
        <translation>Dossier de sortie&#xa0;:</translation>
    </message>
    <message>
        <source>Same folder as input file</source>
        <translation>Même dossier que le fichier source</translation>
    </message>
    <message>
        <source>Other folder</source>
        <translation>Autre dossier</translation>
    </message>
    <message>
        <source>Output folder</source>
        <translation>Dossier de sortie</translation>
    </message>
    <message>
        <source>Browse...</source>
        <translation>Parcourir…</translation>
    </message>
    <message>
        <source>Choose the output folder</source>
        <translation>Choisir le dossier de sortie</translation>
    </message>
    <message>
        <source>Task Progress:</source>
        <translation>Progression&#xa0;:</translation>
    </message>
    <message>
        <source>Task progress</source>
        <translation>Progression</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Barre de progression</translation>
    </message>
    <message>
        <source>Shutdown after task complete</source>
        <translation>Éteindre l&apos;ordinateur à la fin</translation>
    </message>
    <message>
        <source>Power the computer off when the task has ended</source>
        <translation>Éteindre l&apos;ordinateur une fois la tâche terminée</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Démarrer</translation>
    </message>
    <message>
        <source>Start or stop the cut (Ctrl+Return)</source>
        <translation>Démarrer ou arrêter la découpe (Ctrl+Entrée)</translation>
    </message>
    <message>
        <source>Cut List...</source>
        <translation>Liste…</translation>
    </message>
    <message>
        <source>Show the cut list, to run its cuts in one go</source>
        <translation>Afficher la liste des découpes, pour les faire toutes à la suite</translation>
    </message>
    <message>
        <source>Snipora picture</source>
        <translation>Image de Snipora</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>Snipora is an easy to use tool to extract a part of your video files to various video formats.</source>
        <translation>Snipora est un outil simple pour extraire une partie de vos fichiers vidéo dans divers formats vidéo.</translation>
    </message>
    <message>
        <source>Snipora is using</source>
        <translation>Snipora utilise</translation>
    </message>
    <message>
        <source>Open the FFmpeg home page</source>
        <translation>Ouvrir le site web de FFmpeg</translation>
    </message>
    <message>
        <source>About the maker</source>
        <translation>À propos de l&apos;éditeur</translation>
    </message>
    <message>
        <source>Output Video Formats</source>
        <translation>Formats de sortie</translation>
    </message>
    <message>
        <source>Presets</source>
        <translation>Préréglages</translation>
    </message>
    <message>
        <source>Custom (Advanced)</source>
        <translation>Personnalisé (avancé)</translation>
    </message>
    <message>
        <source>Preset format</source>
        <translation>Format préréglé</translation>
    </message>
    <message>
        <source>Output Category:</source>
        <translation>Catégorie&#xa0;:</translation>
    </message>
    <message>
        <source>Output Category</source>
        <translation>Catégorie</translation>
    </message>
    <message>
        <source>Output Video Codec:</source>
        <translation>Codec vidéo&#xa0;:</translation>
    </message>
    <message>
        <source>Output Video Codec</source>
        <translation>Codec vidéo</translation>
    </message>
    <message>
        <source>Output File Format (Container):</source>
        <translation>Format de fichier (conteneur)&#xa0;:</translation>
    </message>
    <message>
        <source>Output File Format (Container)</source>
        <translation>Format de fichier (conteneur)</translation>
    </message>
    <message>
        <source>Custom format</source>
        <translation>Format personnalisé</translation>
    </message>
    <message>
        <source>Output Video Options</source>
        <translation>Options vidéo</translation>
    </message>
    <message>
        <source>Output Format(Container):</source>
        <translation>Format (conteneur)&#xa0;:</translation>
    </message>
    <message>
        <source>Output Format (Container)</source>
        <translation>Format (conteneur)</translation>
    </message>
    <message>
        <source>Video Size:</source>
        <translation>Taille de l&apos;image&#xa0;:</translation>
    </message>
    <message>
        <source>Video Size</source>
        <translation>Taille de l&apos;image</translation>
    </message>
    <message>
        <source>Bitrate:</source>
        <translation>Débit&#xa0;:</translation>
    </message>
    <message>
        <source>Video Bitrate</source>
        <translation>Débit vidéo</translation>
    </message>
    <message>
        <source>kbps</source>
        <translation>kbit/s</translation>
    </message>
    <message>
        <source>Aspect Ratio:</source>
        <translation>Rapport d&apos;aspect&#xa0;:</translation>
    </message>
    <message>
        <source>Aspect Ratio</source>
        <translation>Rapport d&apos;aspect</translation>
    </message>
    <message>
        <source>Frame rate:</source>
        <translation>Fréquence d&apos;images&#xa0;:</translation>
    </message>
    <message>
        <source>Frame rate</source>
        <translation>Fréquence d&apos;images</translation>
    </message>
    <message>
        <source>fps</source>
        <translation>i/s</translation>
    </message>
    <message>
        <source>Output Audio Options</source>
        <translation>Options audio</translation>
    </message>
    <message>
        <source>Output Audio Codec:</source>
        <translation>Codec audio&#xa0;:</translation>
    </message>
    <message>
        <source>Output Audio Codec</source>
        <translation>Codec audio</translation>
    </message>
    <message>
        <source>Audio Bitrate</source>
        <translation>Débit audio</translation>
    </message>
    <message>
        <source>Sampling Rate:</source>
        <translation>Échantillonnage&#xa0;:</translation>
    </message>
    <message>
        <source>Sampling Rate</source>
        <translation>Échantillonnage</translation>
    </message>
    <message>
        <source>Channels:</source>
        <translation>Canaux&#xa0;:</translation>
    </message>
    <message>
        <source>Channels</source>
        <translation>Canaux</translation>
    </message>
    <message>
        <source>Fast seek</source>
        <translation>Recherche rapide</translation>
    </message>
    <message>
        <source>Seek before reading the input: much faster for cuts late in long files. Cuts that copy the streams always do this, so they keep their opening.</source>
        <translation>Se positionner avant de lire l&apos;entrée&#xa0;: bien plus rapide pour les découpes tardives dans les longs fichiers. Les découpes qui copient les flux le font toujours et gardent ainsi leur début.</translation>
    </message>
    <message>
        <source>Restore Defaults</source>
        <translation>Valeurs par défaut</translation>
    </message>
    <message>
        <source>Put every format setting back to its default</source>
        <translation>Remettre chaque réglage de format à sa valeur par défaut</translation>
    </message>
    <message>
        <source>Save &amp;&amp; Close</source>
        <translation>Appliquer</translation>
    </message>
    <message>
        <source>Check the custom fields and close this panel</source>
        <translation>Vérifier les champs personnalisés et fermer ce panneau</translation>
    </message>
    <message>
        <source>Save &amp; Close</source>
        <translation>Appliquer</translation>
    </message>
    <message>
        <source>Cut List</source>
        <translation>Liste des découpes</translation>
    </message>
    <message>
        <source>Move Up</source>
        <translation>Monter</translation>
    </message>
    <message>
        <source>Move the cut up the list</source>
        <translation>Monter la découpe dans la liste</translation>
    </message>
    <message>
        <source>Move Down</source>
        <translation>Descendre</translation>
    </message>
    <message>
        <source>Move the cut down the list</source>
        <translation>Descendre la découpe dans la liste</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Retirer</translation>
    </message>
    <message>
        <source>Remove the selected cuts</source>
        <translation>Retirer les découpes sélectionnées</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Vider</translation>
    </message>
    <message>
        <source>Remove every cut</source>
        <translation>Retirer toutes les découpes</translation>
    </message>
    <message>
        <source>Errors...</source>
        <translation>Erreurs…</translation>
    </message>
    <message>
        <source>Show why the selected cut failed</source>
        <translation>Afficher pourquoi la découpe sélectionnée a échoué</translation>
    </message>
    <message>
        <source>Run List</source>
        <translation>Lancer la liste</translation>
    </message>
    <message>
        <source>Run the waiting cuts one after another</source>
        <translation>Faire les découpes en attente l&apos;une après l&apos;autre</translation>
    </message>
    <message>
        <source>Join into One File</source>
        <translation>Réunir en un fichier</translation>
    </message>
    <message>
        <source>Join the waiting cuts, in list order, into one file</source>
        <translation>Réunir les découpes en attente, dans l&apos;ordre de la liste, en un seul fichier</translation>
    </message>
    <message>
        <source>Remove Listed Parts</source>
        <translation>Enlever les parties</translation>
    </message>
    <message>
        <source>Make one file of the video without the waiting cuts</source>
        <translation>Faire un seul fichier de la vidéo, sans les découpes en attente</translation>
    </message>
    <message>
        <source>Show timeline</source>
        <translation>Afficher la frise</translation>
    </message>
    <message>
        <source>Show keyframes, pictures and the sound under the slider. Ctrl+Left and Ctrl+Right go to the keyframe before and after</source>
        <translation>Afficher les images clés, des vignettes et le son sous le curseur. Ctrl+Gauche et Ctrl+Droite vont à l&apos;image clé précédente et suivante</translation>
    </message>
    <message>
        <source>Find Breaks</source>
        <translation>Trouver les pauses</translation>
    </message>
    <message>
        <source>Click or drag to seek. Left and Right: one second; Ctrl+Left and Ctrl+Right: the keyframe before and after; Alt+Right and Alt+Left: the next and previous break; Alt+Shift+Right and Alt+Shift+Left: the next and previous scene change; , and .: one frame; Home and End: the first and the last frame</source>
        <translation>Cliquez ou faites glisser pour vous déplacer. Gauche et Droite : une seconde ; Ctrl+Gauche et Ctrl+Droite : l&apos;image clé précédente et suivante ; Alt+Droite et Alt+Gauche : la pause suivante et précédente ; Alt+Maj+Droite et Alt+Maj+Gauche : le changement de scène suivant et précédent ; , et . : une image ; Origine et Fin : la première et la dernière image</translation>
    </message>
    <message>
        <source>Find black and silent breaks and scene changes in the video. Alt+Right and Alt+Left go to the next and previous break, Alt+Shift+Right and Alt+Shift+Left to the next and previous scene change</source>
        <translation>Trouver les pauses noires et silencieuses et les changements de scène de la vidéo. Alt+Droite et Alt+Gauche vont à la pause suivante et précédente, Alt+Maj+Droite et Alt+Maj+Gauche au changement de scène suivant et précédent</translation>
    </message>
    <message>
        <source>Add Breaks to List</source>
        <translation>Pauses à la liste</translation>
    </message>
    <message>
        <source>Choose parts between the breaks found and add them to the cut list</source>
        <translation>Choisir des parties entre les pauses trouvées et les ajouter à la liste des coupes</translation>
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
        <translation>Choisir un fichier vidéo</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Lecture</translation>
    </message>
    <message>
        <source>Please Stop the running task first.</source>
        <translation>Veuillez d&apos;abord arrêter la tâche en cours.</translation>
    </message>
    <message>
        <source>Select folder to add</source>
        <translation>Choisir le dossier de sortie</translation>
    </message>
    <message>
        <source>%1 %2</source>
        <comment>the progress caption, then what the task says of itself</comment>
        <translation>%1 %2</translation>
    </message>
    <message>
        <source>Finding breaks: %1 of %2</source>
        <translation>Recherche des pauses : %1 sur %2</translation>
    </message>
    <message>
        <source>Breaks: %1, scene changes: %2 (the file is damaged: read up to the damage)</source>
        <translation>Pauses : %1, changements de scène : %2 (le fichier est endommagé : lu jusqu'au dommage)</translation>
    </message>
    <message>
        <source>Breaks: %1, scene changes: %2</source>
        <translation>Pauses : %1, changements de scène : %2</translation>
    </message>
    <message>
        <source>Stopped. Breaks so far: %1, scene changes: %2</source>
        <translation>Arrêté. Pauses jusqu'ici : %1, changements de scène : %2</translation>
    </message>
    <message>
        <source>The breaks could not be found: the video cannot be read</source>
        <translation>Les pauses n'ont pas pu être cherchées : la vidéo est illisible</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Arrêter</translation>
    </message>
</context>
</TS>
