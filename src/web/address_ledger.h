// Who holds the live results server's connections, by address: decides whom to drop so that
// one device, or one attacker, cannot keep the others out.

#pragma once

#include <QHash>
#include <QString>
#include <QtGlobal>

#include <optional>

// Who holds the live results server's connections: every open connection with the address it
// came from and when it came. Decides whom to drop so that one device (or one attacker) cannot
// keep the others out: an address at its own cap loses its oldest connection; a full server
// loses the oldest connection of the address that holds the most.
class AddressLedger {
public:
    AddressLedger(int maxTotal, int maxPerAddress) : m_maxTotal(maxTotal), m_maxPerAddress(maxPerAddress) {}

    void add(quintptr id, const QString& address);
    void remove(quintptr id);
    bool contains(quintptr id) const { return m_entries.contains(id); }

    int count() const { return int(m_entries.size()); }
    int countOf(const QString& address) const { return m_perAddress.value(address); }

    // The connection to drop before one more from address may come in; none while there is room.
    std::optional<quintptr> victimFor(const QString& address) const;

private:
    struct Entry {
        QString address;
        quint64 order = 0; // smaller came earlier
    };
    std::optional<quintptr> oldestOf(const QString& address) const;

    const int m_maxTotal;
    const int m_maxPerAddress;
    QHash<quintptr, Entry> m_entries;
    QHash<QString, int> m_perAddress;
    quint64 m_next = 0;
};
