// Switches the calling thread's number format to "C" and back, the other locale
// categories left as they are.

#include "protocol/c_numeric_locale.h"

CNumericLocale::CNumericLocale() {
    // The thread's other categories stay as they are; only the numbers change.
    const locale_t base = duplocale(uselocale(nullptr));
    if (!base)
        return;
    m_numbers = newlocale(LC_NUMERIC_MASK, "C", base);
    if (!m_numbers) {
        freelocale(base);
        return;
    }
    m_previous = uselocale(m_numbers);
}

CNumericLocale::~CNumericLocale() {
    if (!m_numbers)
        return;
    uselocale(m_previous);
    freelocale(m_numbers);
}

void useCNumbersInProcess() {
    setlocale(LC_NUMERIC, "C");
}
