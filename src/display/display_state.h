// The display state both windows show: the thirteen digits, their colours and the separators.

#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>

#include <array>

// The thirteen digits of the black display panel, in panel order: the upper
// panel (minutes . seconds , thousandths) and the lower panel (seconds up to
// 999 , thousandths, or a speed).
enum class DigitId {
    Digit10M,
    Digit4,
    Digit5,
    Digit6,
    Digit7,
    Digit8,
    Digit9,
    Digit1,
    Digit2,
    Digit3,
    Digit0,
    Digit10,
    Digit20,
};
inline constexpr int digitCount = 13;

// One seven-segment digit as the panels draw it. ColorOn is 0x00BBGGRR.
struct DigitState {
    int value = 0;
    quint32 colorOn = 0;
    bool visible = true;

    friend bool operator==(const DigitState&, const DigitState&) = default;
};

// What the live display shows: digit values, colours and visibility, the
// separator colours and the spectator captions. The main panel and the
// spectator window both render this one state, so they never disagree.
// Colours are 0x00BBGGRR (red in the low byte).
//
// After a reset both windows show one look: leading digits dim, Digit6,
// Digit7 and LabSec in the run colour, the last two places dim (a spectator
// panel with lit leading zeros would contradict the official's).
//
// GUI thread only. changed() fires once per call that altered anything.
class DisplayState : public QObject {
    Q_OBJECT

public:
    static constexpr quint32 dimColour = 0x404040;
    static constexpr quint32 runColour = 0x00FF00;
    static constexpr quint32 resultColour = 0x00FFFF;
    // The start-number captions of both windows: the competitor at the start, the next one.
    static constexpr quint32 startColour = 0x00FF00; // lime
    static constexpr quint32 nextColour = 0x0000FF;  // red

    enum Panel { UpperPanel = 0, LowerPanel = 1 };

    explicit DisplayState(QObject* parent = nullptr);

    const DigitState& digit(DigitId id) const { return m_digits[index(id)]; }
    quint32 LabMinColor() const { return m_labMinColor; }
    quint32 LabSecColor() const { return m_labSecColor; }
    // The lower separator never changes colour.
    static constexpr quint32 LabSec2Color() { return resultColour; }
    QString LabelTime2() const { return m_labelTime2; }
    QString LabStart1() const { return m_labStart1; }
    QString LabNext1() const { return m_labNext1; }
    // The competitor's name on "Start-Nr.", from the protocol; empty when unknown.
    QString StartName() const { return m_startName; }

    // panel 0 = upper, 1 = lower; ms is a time value or a speed display value.
    // While the clock runs the upper panel's last two places stay a dim 0.
    // Negative values show as 0.
    void showTime(int panel, qint32 ms, bool clockRunning = false);
    // A speed reads as km/h with two decimals: the thousandths place goes.
    void hideDigit20();
    // Both panels to 0 with the after-reset colours, Digit20 back, caption empty.
    void reset();

    void setLabelTime2(const QString& caption);
    void setLabStart1(const QString& caption);
    void setLabNext1(const QString& caption);
    void setStartName(const QString& name);

signals:
    void changed();

private:
    static constexpr int index(DigitId id) { return static_cast<int>(id); }
    DigitState& at(DigitId id) { return m_digits[index(id)]; }
    void setDigit(DigitId id, int value, quint32 colorOn);
    void setColor(DigitId id, quint32 colorOn);
    void setVisible(DigitId id, bool visible);
    void setLabMinColor(quint32 color);
    void setLabSecColor(quint32 color);
    void setCaption(QString& caption, const QString& text);
    void showUpper(qint32 ms, bool clockRunning);
    void showLower(qint32 ms);
    void notify();

    std::array<DigitState, digitCount> m_digits;
    quint32 m_labMinColor = dimColour;
    quint32 m_labSecColor = runColour;
    QString m_labelTime2;
    QString m_labStart1 = QStringLiteral(" Start-Nr. ");
    QString m_labNext1 = QStringLiteral("Bereit: 2 ");
    QString m_startName;
    bool m_dirty = false;
};
