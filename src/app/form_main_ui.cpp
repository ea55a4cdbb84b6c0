// Builds the main window's controls at their design places, sizes, fonts and colours; the
// window wires them afterwards.

#include "app/form_main_ui.h"

#include "app/button_look.h"
#include "app/click_label.h"
#include "app/main_artwork.h"
#include "app/status_panels.h"
#include "app/title_bar.h"
#include "controls/bgr_color.h"
#include "controls/lb_speed_button.h"
#include "controls/sort_grid.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QVBoxLayout>

namespace {

constexpr int leftPanelWidth = 445;
constexpr int bandHeight = 338;
constexpr int protocolBarHeight = 36;
constexpr quint32 panelGrey = 0x808080;

void fill(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QFont arial(int pixelSize, bool bold) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

TLbSpeedButton* toolButton(QWidget* parent, const char* name, const QString& glyph, int glyphSize, QRect bounds,
                           const QString& hint) {
    auto* button = new TLbSpeedButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setStyle(TLbSpeedButtonStyle::bsNormal);
    button->setFlat(true);
    button->setTransparent(true);
    button->setGlyph(toolGlyph(glyph, glyphSize));
    button->setNumGlyphs(2);
    button->setGeometry(bounds);
    button->setToolTip(hint);
    return button;
}

TLbSpeedButton* runButton(QWidget* parent, const char* name, const QString& caption, int top, const QString& hint) {
    auto* button = new TLbSpeedButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setStyle(TLbSpeedButtonStyle::bsModern);
    button->setCaption(caption);
    button->setAlignment(Qt::AlignHCenter);
    button->setFont(arial(15, true));
    button->setSlowDecease(true);
    button->setUseHotTrackFont(true);
    button->setHotTrackFont(arial(15, true));
    button->setHotTrackTextColor(Qt::white);
    button->setGeometry(37, top, 92, 33);
    button->setToolTip(hint);
    return button;
}

ClickLabel* picture(QWidget* parent, const char* name, const QPixmap& pixmap, QRect bounds, const QString& hint = {}) {
    auto* label = new ClickLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setPixmap(pixmap);
    label->setGeometry(bounds);
    label->setToolTip(hint);
    return label;
}

} // namespace

void FormMainUi::setupUi(QMainWindow* window) {
    auto* central = new QWidget(window);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    buildTitleBar(central);
    column->addWidget(Panel1);

    Panel2 = new QWidget(central);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFixedHeight(bandHeight);
    auto* band = new QHBoxLayout(Panel2);
    band->setContentsMargins(0, 0, 0, 0);
    band->setSpacing(0);
    buildLeftPanel(Panel2);
    buildRunPanel(Panel2);
    band->addWidget(PanelLeft);
    band->addWidget(Panel3, 1);
    column->addWidget(Panel2);

    buildProtocolTable(central);
    column->addWidget(SortGrid1, 1);

    StatusBar1 = new StatusPanels(central);
    column->addWidget(StatusBar1);

    window->setCentralWidget(central);
}

void FormMainUi::buildTitleBar(QWidget* parent) {
    Panel1 = new TitleBar(titleBarResource(), parent);
    auto* row = new QHBoxLayout(Panel1);
    row->setContentsMargins(4, 4, 10, 4);
    row->setSpacing(4);

    bHelp = toolButton(Panel1, "bHelp", QStringLiteral("glyph_help"), 24, {4, 4, 30, 30}, QStringLiteral("[F1] Hilfe"));
    bCFG = toolButton(Panel1, "bCFG", QStringLiteral("glyph_cfg"), 24, {38, 4, 30, 30},
                      QStringLiteral("[F2] Einstellungen"));
    bInfo = toolButton(Panel1, "bInfo", QStringLiteral("glyph_info"), 24, {72, 4, 30, 30},
                       QStringLiteral("[F3] Information"));
    for (TLbSpeedButton* button : {bHelp, bCFG, bInfo}) {
        button->setFixedSize(30, 30);
        row->addWidget(button);
    }

    PanelDate = new QLabel(QStringLiteral("00:00"), Panel1);
    PanelDate->setObjectName(QStringLiteral("PanelDate"));
    PanelDate->setFont(arial(24, false));
    PanelDate->setAlignment(Qt::AlignCenter);
    PanelDate->setFixedSize(300, 30);
    fill(PanelDate, Qt::black);
    QPalette silver = PanelDate->palette();
    silver.setColor(QPalette::WindowText, colorFromBgr(0xC0C0C0));
    PanelDate->setPalette(silver);
    row->addSpacing(8);
    row->addWidget(PanelDate);
    row->addStretch(1);

    LabelMaker = new ClickLabel(Panel1);
    LabelMaker->setObjectName(QStringLiteral("LabelMaker"));
    LabelMaker->setText(QStringLiteral("Quillmere Sport Software"));
    QFont lettering(QStringLiteral("Georgia"));
    lettering.setPixelSize(17);
    lettering.setBold(true);
    lettering.setItalic(true);
    LabelMaker->setFont(lettering);
    QPalette gold = LabelMaker->palette();
    gold.setColor(QPalette::WindowText, QColor(0xE8, 0xC0, 0x50));
    LabelMaker->setPalette(gold);
    LabelMaker->setCursor(Qt::PointingHandCursor);
    LabelMaker->setToolTip(QStringLiteral("www.quillmere.de"));
    row->addWidget(LabelMaker);
}

void FormMainUi::buildLeftPanel(QWidget* parent) {
    PanelLeft = new QWidget(parent);
    PanelLeft->setObjectName(QStringLiteral("PanelLeft"));
    PanelLeft->setFixedWidth(leftPanelWidth);
    PanelLeft->setFocusPolicy(Qt::StrongFocus);
    fill(PanelLeft, colorFromBgr(panelGrey));

    // The frames overlap the panel's outer two pixels, so the digits span 406 visible pixels.
    PanelDisplay = new DisplayPanel(PanelLeft);
    PanelDisplay->move(17, 0);
    Image2 = new QLabel(PanelLeft);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setPixmap(frameLeftPicture());
    Image2->setGeometry(0, 0, 19, DisplayPanel::panelHeight);
    Image4 = new QLabel(PanelLeft);
    Image4->setObjectName(QStringLiteral("Image4"));
    Image4->setPixmap(frameRightPicture());
    Image4->setGeometry(425, 0, 19, DisplayPanel::panelHeight);

    ImageTVAus = picture(PanelLeft, "ImageTVAus", tvOffPicture(), {194, 289, 56, 42}, QStringLiteral("Strg+T"));
    ImageTVEin = picture(PanelLeft, "ImageTVEin", tvOnPicture(), {260, 289, 56, 42}, QStringLiteral("Strg+T"));
    ImageTVEin->hide();
}

void FormMainUi::buildRunPanel(QWidget* parent) {
    Panel3 = new QWidget(parent);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    fill(Panel3, colorFromBgr(panelGrey));
    auto* stack = new QVBoxLayout(Panel3);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    auto* area = new QWidget(Panel3);
    stack->addWidget(area, 1);

    const std::array<QPixmap, 2> lights = lightPictures();
    ImageAmpel = picture(area, "ImageAmpel", lights[0], {27, 0, 111, 35});

    const std::array<QPixmap, 2> barriers = barrierPictures();
    // Beside START, Zw.Zeit, Vmax and FINISH.
    constexpr std::array<int, barrierCount> iconTops{74, 113, 149, 186};
    std::array<ClickLabel*, barrierCount> icons{};
    for (Barrier b : allBarriers) {
        const BarrierWiring& wiring = wiringOf(b);
        icons[barrierIndex(b)] = picture(area, wiring.iconName, barriers[0], {2, iconTops[barrierIndex(b)], 30, 31},
                                         QString::fromLatin1(wiring.iconHint));
    }
    ImageLSstart = icons[barrierIndex(Barrier::L1)];
    ImageLSreakt = icons[barrierIndex(Barrier::L2)];
    ImageLSmax = icons[barrierIndex(Barrier::L3)];
    ImageLSstop = icons[barrierIndex(Barrier::L4)];
    for (ClickLabel* icon : barrierIcons())
        icon->hide();

    cbFreigabe = new QCheckBox(area);
    cbFreigabe->setObjectName(QStringLiteral("cbFreigabe"));
    cbFreigabe->setGeometry(11, 45, 17, 17);
    cbFreigabe->setToolTip(QStringLiteral("[F4]"));
    cbFreigabe->setFocusPolicy(Qt::NoFocus);

    bFreigabe = runButton(area, "bFreigabe", QStringLiteral("Freigabe"), 36, QStringLiteral("[F4]"));
    bStart = runButton(area, "bStart", QStringLiteral("START"), 73, QStringLiteral("[F5]"));
    bZwZeit = runButton(area, "bZwZeit", QStringLiteral("Zw.Zeit"), 110, QStringLiteral("[F6]"));
    bVmax = runButton(area, "bVmax", QStringLiteral("Vmax"), 147, QStringLiteral("[F7]"));
    bStop = runButton(area, "bStop", QStringLiteral("FINISH"), 184, QStringLiteral("[F8]"));
    bReset = runButton(area, "bReset", QStringLiteral("00:00"), 221, QStringLiteral("[F9]"));
    bAvaria = runButton(area, "bAvaria", QStringLiteral("UNFALL"), 258, QStringLiteral("[F10]"));
    applyButtonLook(*bFreigabe, bFreigabeLook);

    ImageTitle = new QLabel(area);
    ImageTitle->setObjectName(QStringLiteral("ImageTitle"));
    ImageTitle->setGeometry(142, 40, 256, 250);
    ImageTitle->setAlignment(Qt::AlignCenter);

    LabelError = new QLabel(QStringLiteral("Error"), area);
    LabelError->setObjectName(QStringLiteral("LabelError"));
    LabelError->setFont(arial(15, true));
    QPalette red = LabelError->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    LabelError->setPalette(red);
    LabelError->setGeometry(146, 8, 60, 20);
    LabelError->hide();

    cbPlatzOn = new QCheckBox(QStringLiteral("Rang o. Rank"), area);
    cbPlatzOn->setObjectName(QStringLiteral("cbPlatzOn"));
    cbPlatzOn->setChecked(true);
    cbPlatzOn->hide();

    buildProtocolBar(Panel3);
    stack->addWidget(Panel4);
}

void FormMainUi::buildProtocolBar(QWidget* parent) {
    Panel4 = new QWidget(parent);
    Panel4->setObjectName(QStringLiteral("Panel4"));
    Panel4->setFixedHeight(protocolBarHeight);
    fill(Panel4, colorFromBgr(0xA0A0A0));

    LabelProtokoll = new QLabel(QStringLiteral("Protokoll"), Panel4);
    LabelProtokoll->setFont(arial(14, true));
    LabelProtokoll->setGeometry(8, 0, 72, protocolBarHeight);
    LabelProtokoll->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    struct Tool {
        TLbSpeedButton** button;
        const char* name;
        const char* glyph;
        QString hint;
    };
    const Tool tools[] = {
        {&sbCLS, "sbCLS", "glyph_clear", {}},
        {&sbPrint, "sbPrint", "glyph_print", QStringLiteral("[Ctrl+P] Drucken")},
        {&sbExcel, "sbExcel", "glyph_excel", QStringLiteral("[Ctrl+E] Datei in MS Excel")},
        {&sbWord, "sbWord", "glyph_word", QStringLiteral("[Ctrl+W] Datei in MS Word")},
        {&sbSave, "sbSave", "glyph_save", QStringLiteral("[Ctrl+S] Speichern unter...")},
        {&sbInet, "sbInet", "glyph_web", QStringLiteral("[Ctrl+H] Als Webseite")},
        {&sbLoad, "sbLoad", "glyph_open", {}},
    };
    int left = 84;
    for (const Tool& tool : tools) {
        *tool.button = toolButton(Panel4, tool.name, QString::fromLatin1(tool.glyph), 20, {left, 4, 28, 28}, tool.hint);
        left += 32;
    }
}

void FormMainUi::buildProtocolTable(QWidget* parent) {
    SortGrid1 = new TSortGrid(parent);
    SortGrid1->setObjectName(QStringLiteral("SortGrid1"));
    SortGrid1->setOptions(TGridOptions(goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine |
                                       goDrawFocusSelected | goColSizing | goRowSelect));
    SortGrid1->setAlignmentHorz(taRightJustify);
    SortGrid1->setAlignmentVert(taMiddle);
    SortGrid1->setDefaultRowHeight(19);
    SortGrid1->setFont(arial(13, false));

    PopupMenuProtokol = new QMenu(SortGrid1);
    PopupMenuProtokol->setObjectName(QStringLiteral("PopupMenuProtokol"));
    Erase1 = PopupMenuProtokol->addAction(QStringLiteral("Zeile entfernen (Strg+'-')"));
    Erase1->setObjectName(QStringLiteral("Erase1"));
    SortGrid1->setPopupMenu(PopupMenuProtokol);
}
