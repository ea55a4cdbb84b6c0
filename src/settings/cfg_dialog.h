#pragma once

#include "settings/settings.h"

#include <QDialog>

class QComboBox;
class QLabel;

// The settings dialog, created once at start right after the main window and kept
// until the program ends. So far it holds what start-up depends on: the list of the
// serial ports found at start and the track-length preset. GUI thread only.
class TCfgDialog : public QDialog {
    Q_OBJECT

public:
    // portMask: bit n-1 set for every port "COM" n found at start. settings: the main
    // window's in-memory settings, which must outlive the dialog.
    TCfgDialog(quint64 portMask, Settings& settings, QWidget* parent = nullptr);

    QLabel* const lbl_COM1;
    // "Kein", then one item per port found, each with its port number as item data.
    QComboBox* const cbPort;
    QLabel* const lbl_Long;

private:
    void FormCreate(quint64 portMask);

    Settings& m_settings;
};
