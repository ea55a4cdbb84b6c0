// The settings' small rules: the preset track length for an unset one, and a stored monitor
// that no longer exists.

#include "settings/settings.h"

int lengthWithPreset(int length) {
    return length == 0 ? lengthPreset : length;
}

int checkedMonitorIndex(int monitor, int screenCount) {
    // A negative index would be as unplaceable as one past the last screen.
    if (monitor > screenCount - 1 || monitor < 0)
        return 0;
    return monitor;
}
