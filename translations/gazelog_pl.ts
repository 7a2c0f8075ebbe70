<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pl_PL">
<context>
    <name>Gazelog</name>
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
        <translation>Uruchom serwer ponownie</translation>
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
        <translation>Pokaż wyniki ostatniego badania</translation>
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
        <source>Selected file doesn't exist!</source>
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
</context>
</TS>
