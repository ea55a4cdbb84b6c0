// The ledger of who holds the live results server's connections, and the choice of whom
// to drop when a device or the whole server is at its cap.

#include "web/address_ledger.h"

#include <algorithm>

void AddressLedger::add(quintptr id, const QString& address) {
    remove(id);
    m_entries.insert(id, {address, m_next++});
    ++m_perAddress[address];
}

void AddressLedger::remove(quintptr id) {
    const auto it = m_entries.constFind(id);
    if (it == m_entries.cend())
        return;
    const auto held = m_perAddress.find(it->address);
    if (held != m_perAddress.end() && --*held <= 0)
        m_perAddress.erase(held);
    m_entries.erase(it);
}

std::optional<quintptr> AddressLedger::victimFor(const QString& address) const {
    if (countOf(address) >= m_maxPerAddress)
        return oldestOf(address);
    if (count() < m_maxTotal)
        return std::nullopt;
    // Of the devices holding the most, the connection that came first.
    int most = 0;
    for (const int held : m_perAddress)
        most = std::max(most, held);
    std::optional<quintptr> oldest;
    quint64 earliest = 0;
    for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it) {
        if (m_perAddress.value(it->address) == most && (!oldest || it->order < earliest)) {
            oldest = it.key();
            earliest = it->order;
        }
    }
    return oldest;
}

std::optional<quintptr> AddressLedger::oldestOf(const QString& address) const {
    std::optional<quintptr> oldest;
    quint64 earliest = 0;
    for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it) {
        if (it->address == address && (!oldest || it->order < earliest)) {
            oldest = it.key();
            earliest = it->order;
        }
    }
    return oldest;
}
