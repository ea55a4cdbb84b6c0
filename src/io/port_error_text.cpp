// The port's English failure texts translated piece by piece into German, with the likely
// cause of each system error.

#include "io/port_error_text.h"

#include <utility>

QString officialPortErrorText(const QString& componentMessage) {
    static const std::pair<QLatin1StringView, QString> actions[] = {
        {QLatin1StringView("Unable to open com port: "), QStringLiteral("Der Anschluss lässt sich nicht öffnen: ")},
        {QLatin1StringView("Unable to set com state: "), QStringLiteral("Der Anschluss lässt sich nicht einstellen: ")},
    };
    // The system's texts of the failures a serial device gives, as the C library words them.
    static const std::pair<QLatin1StringView, QString> reasons[] = {
        {QLatin1StringView("No such file or directory"),
         QStringLiteral("das Gerät gibt es nicht (Adapter nicht eingesteckt?)")},
        {QLatin1StringView("Device or resource busy"),
         QStringLiteral("er ist belegt (hat ihn ein anderes Programm oder ein zweites Tarvolt?)")},
        {QLatin1StringView("No such device"), QStringLiteral("das Gerät ist nicht mehr da (Adapter abgezogen?)")},
        {QLatin1StringView("Input/output error"), QStringLiteral("Fehler bei der Übertragung zum Gerät")},
        {QLatin1StringView("Resource deadlock avoided"), QStringLiteral("er wird gerade geöffnet oder geschlossen")},
        {QLatin1StringView("Permission denied"), QStringLiteral("keine Berechtigung (Gruppe dialout)")},
    };
    for (const auto& [english, german] : actions) {
        if (!componentMessage.startsWith(english))
            continue;
        const QString reason = componentMessage.mid(english.size());
        for (const auto& [system, words] : reasons)
            if (reason == system)
                return german + words;
        return german + reason;
    }
    return componentMessage;
}
