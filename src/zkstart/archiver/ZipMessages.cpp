// The German texts of the component's numbered messages. The formats (%d,
// %s) take the arguments the code formats into them; a number missing here
// shows the general fallback with its number.
#include "archiver/ZipArch.h"

namespace zk {

const std::map<int, std::string>& ZipMessagesDE() {
    static const std::map<int, std::string> texts = {
        // Adding files and the library.
        {10101, "Beim Zippen ist ein Fehler aufgetreten."},
        {10102, "Es ist kein Name für die Zip-Datei angegeben."},
        {10103, "Nicht genug Arbeitsspeicher."},
        {10104, "Die beiden Kennwörter sind verschieden."},
        {10105, "Kopiere: "},
        {10150, "Ein Kennwort mit Bestätigung wird gebraucht, aber Nachfragen ist abgeschaltet."},
        {10151, "Ein Kennwort wird gebraucht, aber Nachfragen ist abgeschaltet."},
        {10152, "OK"},
        {10153, "Abbrechen"},
        {10154, "Kennwort"},
        {10155, "Gib das Kennwort ein:"},
        {10156, "Gib das Kennwort noch einmal ein:"},
        {10301, "Es sind keine Dateien zum Zippen angegeben."},
        {10302, "Zum Verschlüsseln fehlt das Kennwort."},
        {10303, "Verteilen auf Disketten geht nicht zusammen mit Auffrischen oder Aktualisieren."},
        {10304, "Der Selbstentpacker konnte nicht geschrieben werden (Fehler %d)."},
        {10305, "Diese Datei liegt zu tief in Unterordnern und wurde nicht gezippt:"},
        {10306, "Diese Datei hätte in der Zip-Datei den Namen einer anderen und wurde nicht gezippt:"},
        {10307, "Die Zip-Datei wird gerade von einem anderen Programm geschrieben. "
                "Warte, bis es fertig ist, und versuche es dann noch einmal."},
        {10308, "Die Zip-Datei ist seit einem abgebrochenen Zippen unvollständig und kann jetzt nicht "
                "wiederhergestellt werden, denn %s."},
        {10310, "Die Zip-Datei kann nicht geöffnet oder angelegt werden, denn %s."},
        {10311, "In die Zip-Datei kann nicht geschrieben werden, denn %s."},
        {10312, "Die Zwischendatei zum Zippen kann nicht geschrieben werden, denn %s."},
        {10313, "Eine Datei kann nicht gelesen werden, denn %s."},
        {10314, "Die Zip-Datei ist beschädigt und kann nicht ergänzt werden."},
        {10315, "Die Zip-Datei würde zu groß."},
        {10316, "Keine der angegebenen Dateien wurde gefunden."},
        {10320, "Windows meldet einen Fehler"},
        {10321, "sie ist schreibgeschützt"},
        {10322, "ein anderes Programm hat sie geöffnet"},
        {10323, "das Laufwerk ist schreibgeschützt"},
        {10324, "auf dem Laufwerk ist kein Platz mehr frei"},
        {10325, "ein anderes Programm schreibt gerade in sie"},
        {10326, "der Ordner fehlt"},
        {10327, "der Zugriff ist nicht erlaubt"},
        {10328, "Windows meldet einen Fehler"},
        {10601, "Die Zip-Bibliothek ZKZIP.DLL ist geladen."},
        {10602, "In ZKZIP.DLL fehlt die Funktion ZkZipExec."},
        {10603, "In ZKZIP.DLL fehlt die Funktion GetZkZipVersion."},
        {10604, "Die Zip-Bibliothek ZKZIP.DLL kann nicht geladen werden."},
        {10801, "Die Texte für den Selbstentpacker sind zu lang (höchstens 255 Zeichen je Text)."},
        {10802, "Der Selbstentpacker ZKSFX.BIN wurde nicht gefunden."},
        {11041, "Eine Zip-Datei mit der Endung .EXE kann nicht auf Disketten verteilt werden."},
        // Reading the directory.
        {10201, "Das Verzeichnis der Zip-Datei kann nicht gelesen werden."},
        {10202, "Fehler beim Lesen der Zip-Datei: "},
        {10203, "Warnung: Das Verzeichnis der Zip-Datei steht nicht an seinem Platz."},
        {10204, "Warnung: Hinter dem Ende der Zip-Datei folgen noch Daten."},
        {11001, "Die Zip-Datei kann nicht geöffnet werden."},
        {11002, "Die Zip-Datei kann nicht geöffnet werden."},
        {11003, "Ungültiges Laufwerk: %s"},
        {11004, "Laufwerk %s nicht bereit!"},
        {11008, "Fehler beim Suchen in der Zip-Datei."},
        {11011, "Das Ende der Zip-Datei kann nicht gelesen werden."},
        {11013, "Das Verzeichnis der Zip-Datei ist unvollständig."},
        {11015, "Ein Eintrag im Verzeichnis der Zip-Datei ist beschädigt."},
        {11017, "Ein Name im Verzeichnis der Zip-Datei ist unvollständig."},
        {11022, "Ein Kommentar im Verzeichnis der Zip-Datei ist unvollständig."},
        {11036, "Das ist keine Zip-Datei: ihr Ende fehlt."},
        {11037, "Das ist die erste Diskette des Satzes.\r\nBitte lege die letzte Diskette ein."},
        {11038, "Das ist Diskette %d eines Satzes.\r\nBitte lege die letzte Diskette ein."},
        {11045, "Hier fehlt das Ende der Zip-Datei.\r\nBitte lege die letzte Diskette des Satzes ein."},
        // Spreading an archive over disks.
        {11005, "Die Diskette kann nicht beschriftet werden."},
        {11006, "Die Frage kann nicht angezeigt werden."},
        {11007, "Abgebrochen: die Diskette wurde nicht formatiert."},
        {11009, "Die Datei auf der Diskette kann nicht angelegt werden."},
        {11010, "Fehler beim Schreiben auf die Diskette."},
        {11012, "Ein Dateikopf in der Zip-Datei ist unvollständig."},
        {11014, "Ein Dateikopf in der Zip-Datei ist beschädigt."},
        {11016, "Ein Dateiname in der Zip-Datei ist unvollständig."},
        {11018, "Die Zusatzdaten eines Dateikopfs sind unvollständig."},
        {11019, "Die Zusatzdaten im Verzeichnis der Zip-Datei sind unvollständig."},
        {11020, "Die Prüfdaten hinter einer Datei sind unvollständig."},
        {11021, "Die Daten einer Datei in der Zip-Datei sind unvollständig."},
        {11023, "Der Kommentar der Zip-Datei ist unvollständig."},
        {11024, "Fehler beim Kopieren auf die Disketten: "},
        {11025, "Für die Disketten wird eine Antwort gebraucht, aber Nachfragen ist abgeschaltet."},
        {11026, "Ein Eintrag im Verzeichnis hat keine Datei in der Zip-Datei."},
        {11032, "Auf dieser Diskette ist nicht genug Platz frei."},
        {11033, "Bitte lege die letzte Diskette des Satzes ein"},
        {11034, "Bitte lege Diskette %.1d von %.1d ein"},
        {11035, "\r\nin Laufwerk %s"},
        {11039, "Auf der Diskette liegt schon die Datei %s. Überschreiben?"},
        {11040, "Auf der Diskette liegt schon Teil %d dieses Satzes. Überschreiben?"},
        {11046, "Bitte lege Diskette %.1d ein"},
        {11047, "Zentrales Verzeichnis"},
        {11048, "Ein Diskettensatz hat höchstens 999 Disketten: das Kopieren endet vor Diskette 1000."},
    };
    return texts;
}

std::map<int, std::string>& ZipMessageTable() {
    static std::map<int, std::string> table = ZipMessagesDE();
    return table;
}

}  // namespace zk
