// The adapter test's window; see adapter_test_dialog.h.

#include "dialogs/adapter_test_dialog.h"

#include "adapter/adapter_report.h"
#include "io/port_names.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QColor verdictColour(AdapterVerdict verdict) {
    switch (verdict) {
    case AdapterVerdict::Suitable:
        return QColor(0x00, 0x80, 0x00);
    case AdapterVerdict::Limited:
        return QColor(0xC0, 0x60, 0x00);
    case AdapterVerdict::Unsuitable:
        return QColor(0xC0, 0x00, 0x00);
    case AdapterVerdict::NoPlug:
        break;
    }
    return QColor(0x40, 0x40, 0x40);
}

} // namespace

AdapterTestDialog::AdapterTestDialog(AdapterTestLinks links, QString resultsPath, QWidget* parent)
    : QDialog(parent), labPlug(new QLabel(this)), labVerdict(new QLabel(this)), labResult(new QLabel(this)),
      bStart(new QPushButton(QStringLiteral("Prüfung starten"), this)),
      bClose(new QPushButton(QStringLiteral("Schließen"), this)), m_resultsPath(std::move(resultsPath)),
      m_test(std::move(links)) {
    setWindowTitle(QStringLiteral("Adapter prüfen (Prüfstecker)"));
    labPlug->setWordWrap(true);
    labResult->setWordWrap(true);
    labResult->setTextInteractionFlags(Qt::TextSelectableByMouse);
    labResult->setMinimumWidth(640);
    labResult->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont big = labVerdict->font();
    big.setPixelSize(20);
    big.setBold(true);
    labVerdict->setFont(big);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bStart);
    buttons->addWidget(bClose);
    auto* all = new QVBoxLayout(this);
    all->addWidget(labPlug);
    all->addWidget(labVerdict);
    all->addWidget(labResult, 1);
    all->addLayout(buttons);

    connect(bStart, &QPushButton::clicked, this, &AdapterTestDialog::bStartClick);
    connect(bClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(&m_test, &AdapterTest::finished, this, &AdapterTestDialog::showResult);
    connect(&m_test, &AdapterTest::failed, this, &AdapterTestDialog::showFailure);
}

QString AdapterTestDialog::plugText() {
    return QStringLiteral("Prüfstecker auf den 9-poligen Stecker: RTS (7) an CTS (8); DTR (4) an DSR (6), "
                          "DCD (1) und RI (9). Die Prüfung schaltet RTS und DTR je etwa 200-mal in "
                          "unregelmäßigen Abständen von 5 bis 20 ms und dauert etwa 6 Sekunden.");
}

void AdapterTestDialog::prepare(int port) {
    m_port = port;
    bStart->setEnabled(true);
    labPlug->setText(QStringLiteral("<b>%1</b><br>%2").arg(comPortListText(port).toHtmlEscaped(), plugText()));
    const auto kept = m_resultsPath.isEmpty() ? std::nullopt : keptAdapterTest(m_resultsPath, comPortListText(port));
    if (!kept) {
        labVerdict->clear();
        labResult->setText(QStringLiteral("Dieser Anschluss wurde noch nicht geprüft."));
        return;
    }
    showVerdict(kept->verdict,
                QStringLiteral("Letzte Prüfung vom %1").arg(kept->when.toString(QStringLiteral("dd.MM.yyyy HH:mm"))));
    labResult->setText(kept->lines.join(QLatin1Char('\n')));
    adjustSize();
}

void AdapterTestDialog::bStartClick() {
    if (const auto refused = m_test.start(m_port)) {
        showFailure(*refused);
        return;
    }
    bStart->setEnabled(false);
    labVerdict->clear();
    labResult->setText(QStringLiteral("Prüfung läuft … bitte etwa 6 Sekunden warten."));
}

void AdapterTestDialog::showVerdict(AdapterVerdict verdict, const QString& headline) {
    QPalette palette = labVerdict->palette();
    palette.setColor(QPalette::WindowText, verdictColour(verdict));
    labVerdict->setPalette(palette);
    labVerdict->setText(headline);
}

void AdapterTestDialog::showResult(const AdapterTestResult& result) {
    bStart->setEnabled(true);
    showVerdict(result.judgement.verdict, result.judgement.headline);
    QStringList lines = adapterReportLines(result);
    if (!m_resultsPath.isEmpty()) {
        if (const auto failure = keepAdapterTest(m_resultsPath, result)) {
            lines.append(*failure);
        }
    }
    labResult->setText(lines.join(QLatin1Char('\n')));
    adjustSize();
}

void AdapterTestDialog::showFailure(const QString& reason) {
    bStart->setEnabled(true);
    showVerdict(AdapterVerdict::Unsuitable, QStringLiteral("Keine Prüfung"));
    labResult->setText(reason);
}

void AdapterTestDialog::done(int result) {
    // The port goes back to the settings dialog only once the test has let go of it.
    m_test.cancel();
    QDialog::done(result);
}
