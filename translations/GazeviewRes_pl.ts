<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pl_PL">
<context>
    <name>Menu</name>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Plik</translation>
    </message>
    <message>
        <source>&amp;Open examined movie...	^O</source>
        <translation>&amp;Otwórz badany film...	^O</translation>
    </message>
    <message>
        <source>&amp;Close examined movie	ESC</source>
        <translation>&amp;Zamknij badany film	ESC</translation>
    </message>
    <message>
        <source>Open &amp;examination results...	^D</source>
        <translation>Otwórz wyniki &amp;badania...	^D</translation>
    </message>
    <message>
        <source>Open &amp;camera registration...	^R</source>
        <translation>Otwórz nagranie z &amp;kamery...	^R</translation>
    </message>
    <message>
        <source>Export &amp;video of the results...</source>
        <translation>Eksportuj &amp;wideo z wynikami...</translation>
    </message>
    <message>
        <source>&amp;Find the shots of a movie without a shot file</source>
        <translation>&amp;Znajdź ujęcia filmu bez pliku ujęć</translation>
    </message>
    <message>
        <source>Start new examination...</source>
        <translation>Rozpocznij nowe badanie...</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Wyjście</translation>
    </message>
    <message>
        <source>&amp;Navigation</source>
        <translation>&amp;Nawigacja</translation>
    </message>
    <message>
        <source>Pause/resume	SPACE</source>
        <translation>Pauza/wznów	SPACJA</translation>
    </message>
    <message>
        <source>Step forward	-&gt;</source>
        <translation>Krok do przodu	-&gt;</translation>
    </message>
    <message>
        <source>Step backward	&lt;-</source>
        <translation>Krok do tyłu	&lt;-</translation>
    </message>
    <message>
        <source>Jump forward	^-&gt;</source>
        <translation>Skok do przodu	^-&gt;</translation>
    </message>
    <message>
        <source>Jump back	^&lt;-</source>
        <translation>Skok do tyłu	^&lt;-</translation>
    </message>
    <message>
        <source>Previous keypoint	R</source>
        <translation>Poprzedni punkt kluczowy	R</translation>
    </message>
    <message>
        <source>Next keypoint	T</source>
        <translation>Następny punkt kluczowy	T</translation>
    </message>
    <message>
        <source>Slower</source>
        <translation>Wolniej</translation>
    </message>
    <message>
        <source>Normal playback</source>
        <translation>Normalne odtwarzanie</translation>
    </message>
    <message>
        <source>Faster</source>
        <translation>Szybciej</translation>
    </message>
    <message>
        <source>Shots</source>
        <translation>Ujęcia</translation>
    </message>
    <message>
        <source>Previous shot	&lt;</source>
        <translation>Poprzednie ujęcie	&lt;</translation>
    </message>
    <message>
        <source>Start current shot	/</source>
        <translation>Początek bieżącego ujęcia	/</translation>
    </message>
    <message>
        <source>Next shot	&gt;</source>
        <translation>Następne ujęcie	&gt;</translation>
    </message>
    <message>
        <source>Add/remove shot	+</source>
        <translation>Dodaj/usuń ujęcie	+</translation>
    </message>
    <message>
        <source>Loop current shot</source>
        <translation>Zapętl bieżące ujęcie</translation>
    </message>
    <message>
        <source>Analyse</source>
        <translation>Analiza</translation>
    </message>
    <message>
        <source>Consider focus time</source>
        <translation>Uwzględniaj czas skupienia</translation>
    </message>
    <message>
        <source>Adjust screen horizontally</source>
        <translation>Dopasuj ekran w poziomie</translation>
    </message>
    <message>
        <source>Adjust screen vertically</source>
        <translation>Dopasuj ekran w pionie</translation>
    </message>
    <message>
        <source>Default screen</source>
        <translation>Domyślny ekran</translation>
    </message>
    <message>
        <source>Show focus heatmap</source>
        <translation>Pokaż mapę cieplną skupienia</translation>
    </message>
    <message>
        <source>Show keypoints</source>
        <translation>Pokaż punkty kluczowe</translation>
    </message>
    <message>
        <source>Show pupil size</source>
        <translation>Pokaż wielkość źrenicy</translation>
    </message>
    <message>
        <source>Show scan path</source>
        <translation>Pokaż ścieżkę wzroku</translation>
    </message>
    <message>
        <source>Show viewers&apos; synchrony</source>
        <translation>Pokaż zgodność spojrzeń widzów</translation>
    </message>
    <message>
        <source>Show legend</source>
        <translation>Pokaż legendę</translation>
    </message>
    <message>
        <source>Fast presentation</source>
        <translation>Szybka prezentacja</translation>
    </message>
    <message>
        <source>Accurate presentation</source>
        <translation>Dokładna prezentacja</translation>
    </message>
    <message>
        <source>Single test result</source>
        <translation>Wynik jednego badania</translation>
    </message>
    <message>
        <source>Multi tests result</source>
        <translation>Wyniki wielu badań</translation>
    </message>
    <message>
        <source>Data filtered</source>
        <translation>Dane filtrowane</translation>
    </message>
    <message>
        <source>Find the biggest pupil size</source>
        <translation>Znajdź największą wielkość źrenicy</translation>
    </message>
    <message>
        <source>View</source>
        <translation>Widok</translation>
    </message>
    <message>
        <source>Show Timeline / Shot counter</source>
        <translation>Pokaż licznik czasu / ujęć</translation>
    </message>
    <message>
        <source>Full Screen</source>
        <translation>Pełny ekran</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Ustawienia</translation>
    </message>
    <message>
        <source>&amp;Language</source>
        <translation>&amp;Język</translation>
    </message>
    <message>
        <source>&amp;English</source>
        <translation>&amp;Angielski</translation>
    </message>
    <message>
        <source>&amp;Polish</source>
        <translation>&amp;Polski</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>&amp;O programie</translation>
    </message>
    <message>
        <source>&amp;About...</source>
        <translation>&amp;O programie...</translation>
    </message>
    <message>
        <source>Areas of interest</source>
        <translation>Obszary zainteresowania</translation>
    </message>
    <message>
        <source>Edit areas of interest</source>
        <translation>Edytuj obszary zainteresowania</translation>
    </message>
    <message>
        <source>Show areas of interest</source>
        <translation>Pokaż obszary zainteresowania</translation>
    </message>
    <message>
        <source>List of areas</source>
        <translation>Lista obszarów</translation>
    </message>
    <message>
        <source>Draw rectangles</source>
        <translation>Rysuj prostokąty</translation>
    </message>
    <message>
        <source>Draw ellipses</source>
        <translation>Rysuj elipsy</translation>
    </message>
    <message>
        <source>Rename area...</source>
        <translation>Zmień nazwę obszaru...</translation>
    </message>
    <message>
        <source>Hide from here</source>
        <translation>Ukryj od tego miejsca</translation>
    </message>
    <message>
        <source>Delete the key at this time</source>
        <translation>Usuń klucz w tej chwili</translation>
    </message>
    <message>
        <source>Delete the area	Del</source>
        <translation>Usuń obszar	Del</translation>
    </message>
    <message>
        <source>Previous key	[</source>
        <translation>Poprzedni klucz	[</translation>
    </message>
    <message>
        <source>Next key	]</source>
        <translation>Następny klucz	]</translation>
    </message>
    <message>
        <source>Undo	^Z</source>
        <translation>Cofnij	^Z</translation>
    </message>
</context>
<context>
    <name>PlayerExports</name>
    <message>
        <source>Export video</source>
        <translation>Eksport wideo</translation>
    </message>
    <message>
        <source>Videos (*.mp4 *.webm)</source>
        <translation>Pliki wideo (*.mp4 *.webm)</translation>
    </message>
    <message>
        <source>The video is ready:
%1</source>
        <translation>Wideo jest gotowe:
%1</translation>
    </message>
    <message>
        <source>Shots found and loaded: %1</source>
        <translation>Znalezione i wczytane ujęcia: %1</translation>
    </message>
    <message>
        <source>%1 failed:
%2</source>
        <translation>%1 nie powiodło się:
%2</translation>
    </message>
</context>
<context>
    <name>PlayerWindow</name>
    <message>
        <source>The shot file
%1
cannot be used: %2.

The shots read before the problem are shown. The file is left as it is: edited shots are saved to a new file beside it.</source>
        <translation>Nie można użyć pliku ujęć
%1
z powodu: %2.

Widoczne są ujęcia wczytane przed wystąpieniem problemu. Plik pozostaje bez zmian: zmienione ujęcia zostaną zapisane w nowym pliku obok niego.</translation>
    </message>
    <message>
        <source>The shot file
%1
could not be read, so it was left as it is. The shots were saved to
%2</source>
        <translation>Nie udało się odczytać pliku ujęć
%1
, więc pozostawiono go bez zmian. Ujęcia zapisano w pliku
%2</translation>
    </message>
    <message>
        <source>About Gazeview</source>
        <translation>O programie Gazeview</translation>
    </message>
    <message>
        <source>Orvalis Reelscan Gazeview

Plays a movie with the gaze of its viewers.</source>
        <translation>Orvalis Reelscan Gazeview

Odtwarza film ze spojrzeniami jego widzów.</translation>
    </message>
    <message>
        <source>The shots could not be saved to
%1
Try again?</source>
        <translation>Nie udało się zapisać ujęć do pliku
%1
Spróbować ponownie?</translation>
    </message>
    <message>
        <source>The file of areas of interest
%1
cannot be used: %2.

It is left as it is: areas drawn now are saved to a new file beside it.</source>
        <translation>Pliku obszarów zainteresowania
%1
nie można użyć: %2.

Plik pozostaje bez zmian: narysowane teraz obszary zostaną zapisane do nowego pliku obok niego.</translation>
    </message>
    <message>
        <source>Save the edited areas of interest?</source>
        <translation>Zapisać zmienione obszary zainteresowania?</translation>
    </message>
    <message>
        <source>The areas of interest could not be saved to
%1
Try again?</source>
        <translation>Nie udało się zapisać obszarów zainteresowania do
%1
Spróbować ponownie?</translation>
    </message>
    <message>
        <source>The file of areas of interest
%1
could not be read, so it was left as it is. The areas were saved to
%2</source>
        <translation>Nie udało się odczytać pliku obszarów zainteresowania
%1
więc pozostawiono go bez zmian. Obszary zapisano do
%2</translation>
    </message>
    <message>
        <source>A name must not be empty or longer than 200 bytes, nor hold &apos;;&apos; or a line break.</source>
        <translation>Nazwa nie może być pusta ani dłuższa niż 200 bajtów, nie może też zawierać &apos;;&apos; ani końca wiersza.</translation>
    </message>
    <message>
        <source>Another area already has this name.</source>
        <translation>Inny obszar ma już tę nazwę.</translation>
    </message>
    <message>
        <source>Select an area first.</source>
        <translation>Najpierw zaznacz obszar.</translation>
    </message>
    <message>
        <source>The selected area has no key at this time.</source>
        <translation>Zaznaczony obszar nie ma klucza w tej chwili.</translation>
    </message>
    <message>
        <source>The area cannot be placed there.</source>
        <translation>Obszaru nie można tam umieścić.</translation>
    </message>
    <message>
        <source>No more areas or keys can be added.</source>
        <translation>Nie można dodać więcej obszarów ani kluczy.</translation>
    </message>
    <message>
        <source>Name of the area of interest:</source>
        <translation>Nazwa obszaru zainteresowania:</translation>
    </message>
</context>
<context>
    <name>StringTable</name>
    <message>
        <source>Video Files (*.asf; *.avi; *.qt; *.mov; *.mp4; *.mpg; *.mpeg; *.m1v; *.wmv)</source>
        <translation>Pliki wideo (*.asf; *.avi; *.qt; *.mov; *.mp4; *.mpg; *.mpeg; *.m1v; *.wmv)</translation>
    </message>
    <message>
        <source>CSV Files (*.csv; *.txt)</source>
        <translation>Pliki CSV (*.csv; *.txt)</translation>
    </message>
    <message>
        <source>Open movie file...</source>
        <translation>Otwórz plik filmu...</translation>
    </message>
    <message>
        <source>Open CSV File(s)...</source>
        <translation>Otwórz plik(i) CSV...</translation>
    </message>
    <message>
        <source>Open Recording File...</source>
        <translation>Otwórz plik nagrania...</translation>
    </message>
    <message>
        <source><byte value="xd"/>
HELP:<byte value="xd"/>
<byte value="xd"/>
Command line parameters:<byte value="xd"/>
	-m &lt;movie_filename&gt;<byte value="xd"/>
	-b &lt;begin_time_in_ms&gt;<byte value="xd"/>
	-e &lt;end_time_in_ms&gt;<byte value="xd"/>
	-s &lt;server_window_caption&gt;<byte value="xd"/>
	-p &lt;waiting_time_in_ms&gt; play mode for eyetracking, waiting, calibration<byte value="xd"/>
	-f &lt;csv_filename&gt;<byte value="xd"/>
	-d &lt;csv_directory_name&gt;<byte value="xd"/>
	-u &lt;screen_num&gt; fullscreen on chosen screen in play mode<byte value="xd"/>
The parameters -p -f and -d are disjunctive<byte value="xd"/>
</source>
        <translation><byte value="xd"/>
POMOC:<byte value="xd"/>
<byte value="xd"/>
Parametry wiersza poleceń:<byte value="xd"/>
	-m &lt;plik_filmu&gt;<byte value="xd"/>
	-b &lt;początek_w_ms&gt;<byte value="xd"/>
	-e &lt;koniec_w_ms&gt;<byte value="xd"/>
	-s &lt;tytuł_okna_serwera&gt;<byte value="xd"/>
	-p &lt;czas_oczekiwania_w_ms&gt; tryb odtwarzania do badania, oczekiwanie, kalibracja<byte value="xd"/>
	-f &lt;plik_csv&gt;<byte value="xd"/>
	-d &lt;katalog_csv&gt;<byte value="xd"/>
	-u &lt;numer_ekranu&gt; pełny ekran na wybranym ekranie w trybie odtwarzania<byte value="xd"/>
Parametry -p, -f i -d wykluczają się wzajemnie<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>%s -- time %s -- shot %s -- %s</source>
        <translation>%s -- czas %s -- ujęcie %s -- %s</translation>
    </message>
    <message>
        <source>Shots have been edited - save?</source>
        <translation>Ujęcia zostały zmienione - zapisać?</translation>
    </message>
    <message>
        <source>Do you want to close the player? Next time it will run using desired language.</source>
        <translation>Czy zamknąć odtwarzacz? Przy następnym uruchomieniu użyje wybranego języka.</translation>
    </message>
    <message>
        <source>CSV files listed below include recorded movie file names different from current movie loaded. So they might be recorded for another movie.<byte value="xd"/>
</source>
        <translation>Poniższe pliki CSV zawierają nazwy nagranych filmów inne niż bieżący film. Mogły więc zostać nagrane dla innego filmu.<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>Do you want to accept and load for the analysis these CSV files?</source>
        <translation>Czy przyjąć i wczytać te pliki CSV do analizy?</translation>
    </message>
</context>
<context>
    <name>Legend</name>
    <message>
        <source>Time %1</source>
        <translation>Czas %1</translation>
    </message>
    <message>
        <source>Gaze point</source>
        <translation>Punkt spojrzenia</translation>
    </message>
    <message>
        <source>Focus: grows while the gaze rests</source>
        <translation>Skupienie: rośnie, gdy wzrok spoczywa</translation>
    </message>
    <message>
        <source>Pupil: the hole, red near a keypoint</source>
        <translation>Źrenica: otwór, czerwony przy punkcie kluczowym</translation>
    </message>
    <message>
        <source>Fixation: larger the longer it lasts</source>
        <translation>Fiksacja: tym większa, im dłuższa</translation>
    </message>
    <message>
        <source>Saccade</source>
        <translation>Sakkada</translation>
    </message>
    <message>
        <source>Heat map: viewers looking here, of %1</source>
        <translation>Mapa cieplna: widzowie patrzący tutaj, z %1</translation>
    </message>
    <message>
        <source>Pupil bar: mean pupil, bright if viewers agree</source>
        <translation>Pasek źrenicy: średnia źrenica, jasny przy zgodności widzów</translation>
    </message>
    <message>
        <source>Squares: viewers with a keypoint in the shot</source>
        <translation>Kwadraty: widzowie z punktem kluczowym w ujęciu</translation>
    </message>
    <message>
        <source>Area of interest: outline and name</source>
        <translation>Obszar zainteresowania: obrys i nazwa</translation>
    </message>
</context>
</TS>
