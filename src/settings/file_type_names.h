// The save dialog's names for the document and web page types, in the user's language
// as the desktop names them.

#pragma once

#include "settings/save_dialog_filter.h"

// The two save-dialog type names as the desktop's shared MIME database describes
// them (in the user's language); a type the database does not know keeps its
// built-in name. Read once at start on the GUI thread.
FileTypeNames fileTypeNamesFromMimeDatabase();
