// The component's numbered messages: number, name and German text in one
// table, the look-up with its fallbacks, the formatting of one argument and
// the exception class EZipArchiver.
#pragma once
#include <cstddef>
#include <map>
#include <string>

#include "common/error.h"
#include "zipundo/undo.h"

namespace zk {

// X(name, number, German text). The formats (%d, %s) take the argument the
// code formats into them. The code names numbers only by these names.
#define ZK_ZIP_MESSAGES(X)                                                                                         \
    /* Adding files and the library. */                                                                            \
    X(zmException, 10101, "Beim Zippen ist ein Fehler aufgetreten.")                                               \
    X(zmNoZipFile, 10102, "Es ist kein Name für die Zip-Datei angegeben.")                                         \
    X(zmOutOfMemory, 10103, "Nicht genug Arbeitsspeicher.")                                                        \
    X(zmPasswordsDiffer, 10104, "Die beiden Kennwörter sind verschieden.")                                         \
    X(zmCopying, 10105, "Kopiere: ")                                                                               \
    X(zmPasswordConfirmUnattended, 10150,                                                                          \
      "Ein Kennwort mit Bestätigung wird gebraucht, aber Nachfragen ist abgeschaltet.")                             \
    X(zmPasswordUnattended, 10151, "Ein Kennwort wird gebraucht, aber Nachfragen ist abgeschaltet.")               \
    X(zmPwdOkCaption, 10152, "OK")                                                                                 \
    X(zmPwdCancelCaption, 10153, "Abbrechen")                                                                      \
    X(zmPwdCaption, 10154, "Kennwort")                                                                             \
    X(zmPwdPrompt, 10155, "Gib das Kennwort ein:")                                                                 \
    X(zmPwdConfirmPrompt, 10156, "Gib das Kennwort noch einmal ein:")                                              \
    X(zmNothingToAdd, 10301, "Es sind keine Dateien zum Zippen angegeben.")                                        \
    X(zmEncryptUnattended, 10302, "Zum Verschlüsseln fehlt das Kennwort.")                                         \
    X(zmSpanWithUpdate, 10303, "Verteilen auf Disketten geht nicht zusammen mit Auffrischen oder Aktualisieren.")  \
    X(zmSfxStubFailed, 10304, "Der Selbstentpacker konnte nicht geschrieben werden (Fehler %d).")                  \
    X(zmSkippedTooDeep, 10305, "Diese Datei liegt zu tief in Unterordnern und wurde nicht gezippt:")               \
    X(zmSkippedSameName, 10306,                                                                                    \
      "Diese Datei hätte in der Zip-Datei den Namen einer anderen und wurde nicht gezippt:")                        \
    X(zmArchiveBusy, 10307,                                                                                        \
      "Die Zip-Datei wird gerade von einem anderen Programm geschrieben. "                                         \
      "Warte, bis es fertig ist, und versuche es dann noch einmal.")                                               \
    X(zmUndoFailed, 10308,                                                                                         \
      "Die Zip-Datei ist seit einem abgebrochenen Zippen unvollständig und kann jetzt nicht "                      \
      "wiederhergestellt werden, denn %s.")                                                                        \
    /* The library's failures, in German (its own texts are for the log); %s takes the reason. */                 \
    X(zmLibCreate, 10310, "Die Zip-Datei kann nicht geöffnet oder angelegt werden, denn %s.")                      \
    X(zmLibWrite, 10311, "In die Zip-Datei kann nicht geschrieben werden, denn %s.")                               \
    X(zmLibTemp, 10312, "Die Zwischendatei zum Zippen kann nicht geschrieben werden, denn %s.")                    \
    X(zmLibRead, 10313, "Eine Datei kann nicht gelesen werden, denn %s.")                                          \
    X(zmLibFormat, 10314, "Die Zip-Datei ist beschädigt und kann nicht ergänzt werden.")                           \
    X(zmLibTooBig, 10315, "Die Zip-Datei würde zu groß.")                                                          \
    X(zmLibNothing, 10316, "Keine der angegebenen Dateien wurde gefunden.")                                        \
    /* Why a file could not be used: zmReasonUnknown plus the zipundo::Reason. */                                  \
    X(zmReasonUnknown, 10320, "Windows meldet einen Fehler")                                                       \
    X(zmReasonReadOnly, 10321, "sie ist schreibgeschützt")                                                         \
    X(zmReasonInUse, 10322, "ein anderes Programm hat sie geöffnet")                                               \
    X(zmReasonDriveReadOnly, 10323, "das Laufwerk ist schreibgeschützt")                                           \
    X(zmReasonDiskFull, 10324, "auf dem Laufwerk ist kein Platz mehr frei")                                        \
    X(zmReasonBusy, 10325, "ein anderes Programm schreibt gerade in sie")                                          \
    X(zmReasonNoFolder, 10326, "der Ordner fehlt")                                                                 \
    X(zmReasonDenied, 10327, "der Zugriff ist nicht erlaubt")                                                      \
    X(zmReasonOther, 10328, "Windows meldet einen Fehler")                                                         \
    X(zmLibraryLoaded, 10601, "Die Zip-Bibliothek ZKZIP.DLL ist geladen.")                                         \
    X(zmNoExecEntry, 10602, "In ZKZIP.DLL fehlt die Funktion ZkZipExec.")                                          \
    X(zmNoVersionEntry, 10603, "In ZKZIP.DLL fehlt die Funktion GetZkZipVersion.")                                 \
    X(zmLibraryNotLoaded, 10604, "Die Zip-Bibliothek ZKZIP.DLL kann nicht geladen werden.")                        \
    X(zmSfxTextTooLong, 10801, "Die Texte für den Selbstentpacker sind zu lang (höchstens 255 Zeichen je Text).")  \
    X(zmSfxNoStub, 10802, "Der Selbstentpacker ZKSFX.BIN wurde nicht gefunden.")                                   \
    X(zmSpanToExe, 11041, "Eine Zip-Datei mit der Endung .EXE kann nicht auf Disketten verteilt werden.")          \
    /* Reading the directory. */                                                                                   \
    X(zmSeekDirectory, 10201, "Das Verzeichnis der Zip-Datei kann nicht gelesen werden.")                          \
    X(zmReadFailed, 10202, "Fehler beim Lesen der Zip-Datei: ")                                                    \
    X(zmDirectoryDisplaced, 10203, "Warnung: Das Verzeichnis der Zip-Datei steht nicht an seinem Platz.")          \
    X(zmBytesAfterEnd, 10204, "Warnung: Hinter dem Ende der Zip-Datei folgen noch Daten.")                         \
    X(zmCannotOpen, 11001, "Die Zip-Datei kann nicht geöffnet werden.")                                            \
    X(zmCannotOpenReported, 11002, "Die Zip-Datei kann nicht geöffnet werden.")                                    \
    X(zmBadDriveRoot, 11003, "Ungültiges Laufwerk: %s")                                                            \
    X(zmDriveNotReady, 11004, "Laufwerk %s nicht bereit!")                                                         \
    X(zmSeekEnd, 11008, "Fehler beim Suchen in der Zip-Datei.")                                                    \
    X(zmReadEnd, 11011, "Das Ende der Zip-Datei kann nicht gelesen werden.")                                       \
    X(zmDirectoryShort, 11013, "Das Verzeichnis der Zip-Datei ist unvollständig.")                                 \
    X(zmBadDirSignature, 11015, "Ein Eintrag im Verzeichnis der Zip-Datei ist beschädigt.")                        \
    X(zmNameShort, 11017, "Ein Name im Verzeichnis der Zip-Datei ist unvollständig.")                              \
    X(zmCommentShort, 11022, "Ein Kommentar im Verzeichnis der Zip-Datei ist unvollständig.")                      \
    X(zmNoEndRecord, 11036, "Das ist keine Zip-Datei: ihr Ende fehlt.")                                            \
    X(zmNoEndFirstDisk1, 11037, "Das ist die erste Diskette des Satzes.\r\nBitte lege die letzte Diskette ein.")   \
    X(zmNoEndOnDisk, 11038, "Das ist Diskette %d eines Satzes.\r\nBitte lege die letzte Diskette ein.")            \
    X(zmNoEndFirstDisk, 11045, "Hier fehlt das Ende der Zip-Datei.\r\nBitte lege die letzte Diskette des Satzes ein.") \
    /* Spreading an archive over disks. */                                                                         \
    X(zmCannotLabel, 11005, "Die Diskette kann nicht beschriftet werden.")                                         \
    X(zmNoBox, 11006, "Die Frage kann nicht angezeigt werden.")                                                    \
    X(zmUserCancel, 11007, "Abgebrochen: die Diskette wurde nicht formatiert.")                                    \
    X(zmCannotCreatePart, 11009, "Die Datei auf der Diskette kann nicht angelegt werden.")                         \
    X(zmCannotWritePart, 11010, "Fehler beim Schreiben auf die Diskette.")                                         \
    X(zmLocalShort, 11012, "Ein Dateikopf in der Zip-Datei ist unvollständig.")                                    \
    X(zmBadLocalSignature, 11014, "Ein Dateikopf in der Zip-Datei ist beschädigt.")                                \
    X(zmLocalNameShort, 11016, "Ein Dateiname in der Zip-Datei ist unvollständig.")                                \
    X(zmLocalExtraShort, 11018, "Die Zusatzdaten eines Dateikopfs sind unvollständig.")                            \
    X(zmCentralExtraShort, 11019, "Die Zusatzdaten im Verzeichnis der Zip-Datei sind unvollständig.")              \
    X(zmDescriptorShort, 11020, "Die Prüfdaten hinter einer Datei sind unvollständig.")                            \
    X(zmDataShort, 11021, "Die Daten einer Datei in der Zip-Datei sind unvollständig.")                            \
    X(zmArchiveCommentShort, 11023, "Der Kommentar der Zip-Datei ist unvollständig.")                              \
    X(zmCopyFailed, 11024, "Fehler beim Kopieren auf die Disketten: ")                                             \
    X(zmNeedsUser, 11025, "Für die Disketten wird eine Antwort gebraucht, aber Nachfragen ist abgeschaltet.")      \
    X(zmNoLocalHeader, 11026, "Ein Eintrag im Verzeichnis hat keine Datei in der Zip-Datei.")                      \
    X(zmNotEnoughSpace, 11032, "Auf dieser Diskette ist nicht genug Platz frei.")                                  \
    X(zmInsertLastDisk, 11033, "Bitte lege die letzte Diskette des Satzes ein")                                    \
    X(zmInsertDiskOf, 11034, "Bitte lege Diskette %.1d von %.1d ein")                                              \
    X(zmInDrive, 11035, "\r\nin Laufwerk %s")                                                                      \
    X(zmOverwriteFile, 11039, "Auf der Diskette liegt schon die Datei %s. Überschreiben?")                         \
    X(zmOverwriteDisk, 11040, "Auf der Diskette liegt schon Teil %d dieses Satzes. Überschreiben?")                \
    X(zmInsertDisk, 11046, "Bitte lege Diskette %.1d ein")                                                         \
    X(zmCentralDirectory, 11047, "Zentrales Verzeichnis")                                                          \
    X(zmTooManyDisks, 11048, "Ein Diskettensatz hat höchstens 999 Disketten: das Kopieren endet vor Diskette 1000.")

enum ZipMessage {
#define ZK_ZIP_MESSAGE_NAME(name, number, text) name = number,
    ZK_ZIP_MESSAGES(ZK_ZIP_MESSAGE_NAME)
#undef ZK_ZIP_MESSAGE_NAME
};

// One row of the table.
struct ZipMessageRow {
    int number;
    const char* name;
    const char* text;
};
extern const ZipMessageRow kZipMessages[];
extern const size_t kZipMessageCount;

// "The message table is probably not linked to the executable\nMissing String ID is: "
extern const char* const kMissingMessage;

// The texts the component looks numbers up in: the German ones from the
// start; tests empty it to see the fallbacks.
std::map<int, std::string>& ZipMessageTable();
// The German texts by number, as the table rows give them.
const std::map<int, std::string>& ZipMessagesDE();
// The table's text for the number, else the fallback.
std::string MessageText(int number, const std::string& fallback);
// The table's text, else the general fallback followed by the number.
std::string MessageText(int number);
// The message with the reason a file could not be used put into its %s.
std::string MessageWithReason(int number, zipundo::Reason why);

// The text with its first format (%d, %s, with flags, width or precision)
// replaced by the argument; "%%" stands for "%".
std::string FormatMessageArg(const std::string& text, long long arg);
std::string FormatMessageArg(const std::string& text, const std::string& arg);

// The first count characters of UTF-8 text, and the longest start of it
// that fits into limit bytes without splitting a character.
std::string Utf8Left(const std::string& text, size_t count);
std::string Utf8Fit(const std::string& text, size_t limit);

// The component's exception: a numbered message, perhaps to be shown.
class EZipArchiver : public Error {
public:
    // Plain, shown or not as asked.
    static EZipArchiver CreateResDisp(int number, bool showToUser);
    // With a number or a text formatted into the message; always shown.
    static EZipArchiver CreateResInt(int number, long long arg);
    static EZipArchiver CreateResStr(int number, const std::string& arg);
    // Plain, with a fallback text of its own for an empty table.
    static EZipArchiver CreateResFallback(int number, const std::string& fallback, bool showToUser);

    bool ShowToUser;
    int MessageNumber;

private:
    EZipArchiver(const std::string& message, int number, bool show)
        : Error(message), ShowToUser(show), MessageNumber(number) {}
};

}  // namespace zk
