<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pl_PL">
<context>
    <name>AboutWindow</name>
    <message>
        <source>About</source>
        <translation>O programie</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Wersja %1</translation>
    </message>
</context>
<context>
    <name>ExaminationWorkflow</name>
    <message>
        <source>The player cannot report to this window, so an examination cannot start:
%1</source>
        <translation>Odtwarzacz nie może wysyłać komunikatów do tego okna, więc nie można rozpocząć badania:
%1</translation>
    </message>
    <message>
        <source>The player ended during the examination (its last report was at %1 ms).
The samples recorded until then are kept: press &quot;Save results&quot; to save them.</source>
        <translation>Odtwarzacz zakończył działanie w trakcie badania (ostatni komunikat w %1 ms).
Próbki zebrane do tej chwili zostały zachowane: naciśnij &quot;Zapisz wyniki&quot;, aby je zapisać.</translation>
    </message>
</context>
<context>
    <name>EyeTrackerController</name>
    <message>
        <source>Examination statistics</source>
        <translation>Statystyki badania</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Błąd</translation>
    </message>
    <message>
        <source>Examination wasn&apos;t finished in conventional way.
</source>
        <translation>Badanie nie zostało zakończone w zwykły sposób.
</translation>
    </message>
    <message>
        <source>Examination was finished in conventional way.
</source>
        <translation>Badanie zostało zakończone w zwykły sposób.
</translation>
    </message>
    <message>
        <source>Invalid samples percentage %1
Real FPS: %2
Longest gap between samples: %3 ms
Longest gap between valid samples %4 ms
Save examination results?</source>
        <translation>Odsetek błędnych próbek: %1
Rzeczywista liczba klatek na sekundę: %2
Najdłuższa przerwa między próbkami: %3 ms
Najdłuższa przerwa między poprawnymi próbkami: %4 ms
Zapisać wyniki badania?</translation>
    </message>
    <message>
        <source>No data from EyeTribe (gaze points list is empty)! 
Restart EyeTribe server and repeat examination.</source>
        <translation>Brak danych z EyeTribe (lista punktów spojrzenia jest pusta)! 
Uruchom ponownie serwer EyeTribe i powtórz badanie.</translation>
    </message>
    <message>
        <source>Failed to save the results to:
%1
(%2)
The samples are kept: choose another folder and press &quot;Save results&quot;.</source>
        <translation>Nie udało się zapisać wyników do:
%1
(%2)
Próbki zostały zachowane: wybierz inny folder i naciśnij &quot;Zapisz wyniki&quot;.</translation>
    </message>
</context>
<context>
    <name>EyeTribeController</name>
    <message>
        <source>it answered &quot;%1&quot;</source>
        <translation>odpowiedział „%1”</translation>
    </message>
    <message>
        <source>it sends more than any message of a tracker server</source>
        <translation>przysyła więcej niż jakikolwiek komunikat serwera okulografu</translation>
    </message>
    <message>
        <source>it closes every connection without an answer</source>
        <translation>zamyka każde połączenie bez odpowiedzi</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Błąd</translation>
    </message>
    <message>
        <source>Another program than the tracker server answers on port %1: %2.
The connection is tried again now and then; end that program to use the tracker.</source>
        <translation>Na porcie %1 odpowiada inny program niż serwer okulografu: %2.
Połączenie będzie co jakiś czas ponawiane; aby używać okulografu, zamknij ten program.</translation>
    </message>
</context>
<context>
    <name>Gazelog</name>
    <message>
        <source>The movie &quot;%1&quot; does not exist.</source>
        <translation>Film &quot;%1&quot; nie istnieje.</translation>
    </message>
    <message>
        <source>Orvalis Reelscan Gazelog</source>
        <translation>Orvalis Reelscan Gazelog</translation>
    </message>
    <message>
        <source>Calibration</source>
        <translation>Kalibracja</translation>
    </message>
    <message>
        <source>Examination</source>
        <translation>Badanie</translation>
    </message>
    <message>
        <source>Keypoints</source>
        <translation>Punkty kluczowe</translation>
    </message>
    <message>
        <source>About</source>
        <translation>O programie</translation>
    </message>
    <message>
        <source>Calibration quality:</source>
        <translation>Jakość kalibracji:</translation>
    </message>
    <message>
        <source>Not calibrated</source>
        <translation>Brak kalibracji</translation>
    </message>
    <message>
        <source>Eye Tracker state:</source>
        <translation>Stan eyetrackera:</translation>
    </message>
    <message>
        <source>No connection</source>
        <translation>Brak połączenia</translation>
    </message>
    <message>
        <source>Eye Tracker Server is running:</source>
        <translation>Serwer eyetrackera działa:</translation>
    </message>
    <message>
        <source>No</source>
        <translation>Nie</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Tak</translation>
    </message>
    <message>
        <source>Restart server</source>
        <translation>Restart serwera</translation>
    </message>
    <message>
        <source>Screen:</source>
        <translation>Ekran:</translation>
    </message>
    <message>
        <source>Eye Tracker frequency:</source>
        <translation>Częstotliwość eyetrackera:</translation>
    </message>
    <message>
        <source>Eye Tracker:</source>
        <translation>Eyetracker:</translation>
    </message>
    <message>
        <source>Record examination using GoPro camera</source>
        <translation>Nagrywaj badanie kamerą GoPro</translation>
    </message>
    <message>
        <source>GoPro preview</source>
        <translation>Podgląd GoPro</translation>
    </message>
    <message>
        <source>GoPro movies</source>
        <translation>Filmy GoPro</translation>
    </message>
    <message>
        <source>GoPro password (default: lensmatic):</source>
        <translation>Hasło GoPro (domyślnie: lensmatic):</translation>
    </message>
    <message>
        <source>Viewing distance:</source>
        <translation>Odległość oczu od ekranu:</translation>
    </message>
    <message>
        <source> mm</source>
        <translation> mm</translation>
    </message>
    <message>
        <source>How far the viewer&apos;s eyes are from the screen. Saved with every results file.</source>
        <translation>Odległość oczu widza od ekranu. Zapisywana w każdym pliku wyników.</translation>
    </message>
    <message>
        <source>Select movie</source>
        <translation>Wybierz film</translation>
    </message>
    <message>
        <source>Examined movie:</source>
        <translation>Badany film:</translation>
    </message>
    <message>
        <source>Select folder</source>
        <translation>Wybierz folder</translation>
    </message>
    <message>
        <source>Folder for results:</source>
        <translation>Folder na wyniki:</translation>
    </message>
    <message>
        <source>Start examination</source>
        <translation>Rozpocznij badanie</translation>
    </message>
    <message>
        <source>Save results</source>
        <translation>Zapisz wyniki</translation>
    </message>
    <message>
        <source>Examination state:</source>
        <translation>Stan badania:</translation>
    </message>
    <message>
        <source>Progres:</source>
        <translation>Postęp:</translation>
    </message>
    <message>
        <source>Examination length:</source>
        <translation>Długość badania:</translation>
    </message>
    <message>
        <source>Entire movie</source>
        <translation>Cały film</translation>
    </message>
    <message>
        <source>Part of movie (specify beginning and end in ms)</source>
        <translation>Fragment filmu (początek i koniec w ms)</translation>
    </message>
    <message>
        <source>Examined person id (eg name):</source>
        <translation>Identyfikator badanej osoby (np. imię):</translation>
    </message>
    <message>
        <source>Run last results visualisation</source>
        <translation>Pokaż ostatnie wyniki</translation>
    </message>
    <message>
        <source>Run player</source>
        <translation>Uruchom odtwarzacz</translation>
    </message>
    <message>
        <source>Stop examination</source>
        <translation>Zatrzymaj badanie</translation>
    </message>
    <message>
        <source>Keypoints list:</source>
        <translation>Lista punktów kluczowych:</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Błąd</translation>
    </message>
    <message>
        <source>EyeTribe connected</source>
        <translation>EyeTribe połączony</translation>
    </message>
    <message>
        <source>No connection!</source>
        <translation>Brak połączenia!</translation>
    </message>
    <message>
        <source>Unknown status</source>
        <translation>Nieznany stan</translation>
    </message>
    <message>
        <source>1/5 - recalibration required</source>
        <translation>1/5 - wymagana ponowna kalibracja</translation>
    </message>
    <message>
        <source>2/5 - poor</source>
        <translation>2/5 - słaba</translation>
    </message>
    <message>
        <source>3/5 - moderate</source>
        <translation>3/5 - średnia</translation>
    </message>
    <message>
        <source>4/5 - good</source>
        <translation>4/5 - dobra</translation>
    </message>
    <message>
        <source>5/5 - perfect</source>
        <translation>5/5 - doskonała</translation>
    </message>
    <message>
        <source>Selected file doesn&apos;t exist!</source>
        <translation>Wybrany plik nie istnieje!</translation>
    </message>
    <message>
        <source>Invalid movie start time!</source>
        <translation>Nieprawidłowy początek filmu!</translation>
    </message>
    <message>
        <source>Invalid movie end time!</source>
        <translation>Nieprawidłowy koniec filmu!</translation>
    </message>
    <message>
        <source>Select folder for results</source>
        <translation>Wybierz folder na wyniki</translation>
    </message>
    <message>
        <source>EyeTribe</source>
        <translation>EyeTribe</translation>
    </message>
    <message>
        <source>Tobii EyeX</source>
        <translation>Tobii EyeX</translation>
    </message>
    <message>
        <source>30</source>
        <translation>30</translation>
    </message>
    <message>
        <source>60</source>
        <translation>60</translation>
    </message>
    <message>
        <source>lensmatic</source>
        <translation>lensmatic</translation>
    </message>
    <message>
        <source>0</source>
        <translation>0</translation>
    </message>
    <message>
        <source>:</source>
        <translation>:</translation>
    </message>
    <message>
        <source>Player not found - performing examination and running visualisation will not be possible.
Check whether file &quot;Gazeview&quot; is in the same directory as file &quot;Gazelog&quot;.</source>
        <translation>Nie znaleziono odtwarzacza - przeprowadzenie badania i wizualizacja nie będą możliwe.
Sprawdź, czy plik „Gazeview” znajduje się w tym samym folderze co plik „Gazelog”.</translation>
    </message>
    <message>
        <source>%1 resolution: %2x%3</source>
        <translation>%1 rozdzielczość: %2x%3</translation>
    </message>
    <message>
        <source>EyeTribe SDK not found. Performing an examination will not be possible.
To perform test install EyeTribe SDK.</source>
        <translation>Nie znaleziono EyeTribe SDK. Przeprowadzenie badania nie będzie możliwe.
Aby przeprowadzić badanie, zainstaluj EyeTribe SDK.</translation>
    </message>
    <message>
        <source>GoPro camera is not avaible! 
Check wifi connection and GoPro camera.</source>
        <translation>Kamera GoPro jest niedostępna! 
Sprawdź połączenie Wi-Fi i kamerę GoPro.</translation>
    </message>
    <message>
        <source>Failed to configure GoPro camera! 
Required version is at least GoPro Hero 3.</source>
        <translation>Nie udało się skonfigurować kamery GoPro! 
Wymagana jest co najmniej kamera GoPro Hero 3.</translation>
    </message>
    <message>
        <source>Video files (*.asf *.avi *.mkv *.mov *.mp4 *.mpg *.mpeg *.m1v *.wmv *.qt)</source>
        <translation>Pliki wideo (*.asf *.avi *.mkv *.mov *.mp4 *.mpg *.mpeg *.m1v *.wmv *.qt)</translation>
    </message>
    <message>
        <source>Selected folder doesn&apos;t exist!
Create folder?</source>
        <translation>Wybrany folder nie istnieje!
Utworzyć folder?</translation>
    </message>
    <message>
        <source>Unable to create folder: </source>
        <translation>Nie można utworzyć folderu: </translation>
    </message>
    <message>
        <source>
Select different folder name.</source>
        <translation>
Wybierz inną nazwę folderu.</translation>
    </message>
    <message>
        <source>Test id can&apos;t be blank and can&apos;t contain characters: /\:*?&quot;&lt;&gt;|</source>
        <translation>Identyfikator badania nie może być pusty ani zawierać znaków: /\:*?&quot;&lt;&gt;|</translation>
    </message>
    <message>
        <source>EyeTribe is not ready - check state in &quot;Calibration&quot; tab</source>
        <translation>EyeTribe nie jest gotowy - sprawdź stan na karcie „Kalibracja”</translation>
    </message>
    <message>
        <source>Failed to start recording using GoPro camera!.</source>
        <translation>Nie udało się rozpocząć nagrywania kamerą GoPro!</translation>
    </message>
    <message>
        <source>Failed to run player. 
Check whether file &quot;Gazeview&quot; is in 
the same directory as file &quot;Gazelog&quot;.</source>
        <translation>Nie udało się uruchomić odtwarzacza. 
Sprawdź, czy plik „Gazeview” znajduje się 
w tym samym folderze co plik „Gazelog”.</translation>
    </message>
    <message>
        <source>No data from EyeTribe for </source>
        <translation>Brak danych z EyeTribe od </translation>
    </message>
    <message>
        <source> ms.
Check EyeTribe connection or try restarting EyeTribe Server.</source>
        <translation> ms.
Sprawdź połączenie z EyeTribe lub uruchom ponownie serwer EyeTribe.</translation>
    </message>
    <message>
        <source>No last examination or last examination was not saved.</source>
        <translation>Brak ostatniego badania lub ostatnie badanie nie zostało zapisane.</translation>
    </message>
    <message>
        <source>Selected movie doesn&apos;t exist.</source>
        <translation>Wybrany film nie istnieje.</translation>
    </message>
    <message>
        <source>Failed to run player.
Check whether file &quot;Gazeview&quot; is 
in the same directory as file &quot;Gazelog&quot;.</source>
        <translation>Nie udało się uruchomić odtwarzacza.
Sprawdź, czy plik „Gazeview” znajduje się 
w tym samym folderze co plik „Gazelog”.</translation>
    </message>
    <message>
        <source>Failed to run player.
Check whether file &quot;Gazeview&quot; is 
in the same directory as file &quot;Gazelog&quot; 
and whether all parameters are valid.</source>
        <translation>Nie udało się uruchomić odtwarzacza.
Sprawdź, czy plik „Gazeview” znajduje się 
w tym samym folderze co plik „Gazelog” 
i czy wszystkie parametry są poprawne.</translation>
    </message>
    <message>
        <source>Invalid/unsupported firmware!</source>
        <translation>Nieprawidłowe lub nieobsługiwane oprogramowanie układowe!</translation>
    </message>
    <message>
        <source>EyeTribe is not connected to USB 3.0!</source>
        <translation>EyeTribe nie jest podłączony do portu USB 3.0!</translation>
    </message>
    <message>
        <source>Problem with data transmission</source>
        <translation>Problem z przesyłaniem danych</translation>
    </message>
    <message>
        <source>ExeX connected</source>
        <translation>EyeX połączony</translation>
    </message>
    <message>
        <source>EyeX not connected</source>
        <translation>EyeX niepołączony</translation>
    </message>
    <message>
        <source>Trying to connect</source>
        <translation>Próba połączenia</translation>
    </message>
    <message>
        <source>EyeX error - server version to low</source>
        <translation>Błąd EyeX - zbyt stara wersja serwera</translation>
    </message>
    <message>
        <source>EyeX error - server version to high</source>
        <translation>Błąd EyeX - zbyt nowa wersja serwera</translation>
    </message>
    <message>
        <source>EyeX - no information about calibration</source>
        <translation>EyeX - brak informacji o kalibracji</translation>
    </message>
    <message>
        <source>Unknown calibration quality</source>
        <translation>Nieznana jakość kalibracji</translation>
    </message>
    <message>
        <source>%1: %2 time: %3.%4.%5 gaze point pos:(%6, %7)
</source>
        <translation>%1: %2 czas: %3.%4.%5 położenie spojrzenia:(%6, %7)
</translation>
    </message>
    <message>
        <source>The player cannot report to this window:
%1
Examinations cannot be started; running the player and visualisations still works.</source>
        <translation>Odtwarzacz nie może wysyłać komunikatów do tego okna:
%1
Nie można rozpocząć badania; uruchamianie odtwarzacza i wizualizacji nadal działa.</translation>
    </message>
    <message>
        <source>Changing the tracker</source>
        <translation>Zmiana eyetrackera</translation>
    </message>
    <message>
        <source>Restarting the tracker server</source>
        <translation>Ponowne uruchomienie serwera eyetrackera</translation>
    </message>
    <message>
        <source>Changing the frequency</source>
        <translation>Zmiana częstotliwości</translation>
    </message>
    <message>
        <source>Examination in progress</source>
        <translation>Trwa badanie</translation>
    </message>
    <message>
        <source>%1 ends the running examination.
Stop the examination now?</source>
        <translation>%1 kończy trwające badanie.
Zakończyć badanie teraz?</translation>
    </message>
    <message>
        <source>An examination is running.
Close the program? The samples recorded so far are saved to a recovery file in the results folder.</source>
        <translation>Trwa badanie.
Zamknąć program? Zebrane dotąd próbki zostaną zapisane do pliku odzyskiwania w folderze wyników.</translation>
    </message>
    <message>
        <source>The GoPro camera does not answer, so it is not used.
Check wifi connection and GoPro camera, then tick the box again.</source>
        <translation>Kamera GoPro nie odpowiada, więc nie będzie używana.
Sprawdź połączenie wifi i kamerę GoPro, a następnie zaznacz pole ponownie.</translation>
    </message>
    <message>
        <source>Pupil Core</source>
        <translation>Pupil Core</translation>
    </message>
    <message>
        <source>Pupil Capture connected</source>
        <translation>Pupil Capture połączony</translation>
    </message>
    <message>
        <source>Pupil: connecting...</source>
        <translation>Pupil: łączenie...</translation>
    </message>
    <message>
        <source>Pupil: nothing answers</source>
        <translation>Pupil: brak odpowiedzi</translation>
    </message>
    <message>
        <source>Pupil: invalid address</source>
        <translation>Pupil: zły adres</translation>
    </message>
    <message>
        <source>Pupil: not Pupil Capture</source>
        <translation>Pupil: to nie Pupil Capture</translation>
    </message>
    <message>
        <source>Pupil: connection lost</source>
        <translation>Pupil: utracono połączenie</translation>
    </message>
    <message>
        <source>Pupil: own calibration</source>
        <translation>Pupil: własna kalibracja</translation>
    </message>
    <message>
        <source>Pupil: calibrating...</source>
        <translation>Pupil: kalibracja...</translation>
    </message>
    <message>
        <source>Pupil: calibrated</source>
        <translation>Pupil: skalibrowany</translation>
    </message>
    <message>
        <source>Pupil: calibration failed</source>
        <translation>Pupil: kalibracja nieudana</translation>
    </message>
</context>
<context>
    <name>PupilSettingsBox</name>
    <message>
        <source>Pupil Core (Pupil Capture&apos;s network interface)</source>
        <translation>Pupil Core (interfejs sieciowy Pupil Capture)</translation>
    </message>
    <message>
        <source>Pupil Remote address:</source>
        <translation>Adres Pupil Remote:</translation>
    </message>
    <message>
        <source>Surface of the screen:</source>
        <translation>Powierzchnia ekranu:</translation>
    </message>
    <message>
        <source>Minimum confidence:</source>
        <translation>Minimalna pewność:</translation>
    </message>
    <message>
        <source>Set by the environment variable %1</source>
        <translation>Ustawione przez zmienną środowiskową %1</translation>
    </message>
</context>
<context>
    <name>ServerSupervisor</name>
    <message>
        <source>The tracker server (process %1) is not one this program may end. It is used as it runs.</source>
        <translation>Serwera okulografu (proces %1) ten program nie może zamknąć. Jest używany w obecnym stanie.</translation>
    </message>
    <message>
        <source>The tracker server (process %1) cannot be ended by this program: %2. It is used as it runs; end it yourself to restart it.</source>
        <translation>Ten program nie może zamknąć serwera okulografu (proces %1): %2. Jest używany w obecnym stanie; aby go uruchomić ponownie, zamknij go samodzielnie.</translation>
    </message>
    <message>
        <source>The tracker server (process %1) did not end, even when killed. It is used as it runs.</source>
        <translation>Serwer okulografu (proces %1) nie zakończył działania nawet po wymuszeniu. Jest używany w obecnym stanie.</translation>
    </message>
</context>
</TS>
