#include "MenuBar.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace kv {

QAction* MenuBar::add(QMenu* menu, const QString& name, const QString& caption) {
    auto* a = new QAction(caption, m_owner);
    a->setObjectName(name);
    menu->addAction(a);
    m_items[name] = a;
    return a;
}

QMenu* MenuBar::sub(QMenu* parent, const QString& name, const QString& caption) {
    QMenu* m = parent->addMenu(caption);
    m->setObjectName(name);
    m->menuAction()->setObjectName(name);
    m_menus[name] = m;
    return m;
}

void MenuBar::group(QMenu* menu, const QString& name, const std::vector<QString>& captions,
                    int first) {
    int index = first;
    for (const QString& caption : captions) {
        QAction* a = add(menu, name + QStringLiteral("_") + QString::number(index), caption);
        a->setCheckable(true);
        m_groups[name][index] = a;
        ++index;
    }
}

QMenu* MenuBar::top(QMenuBar* bar, const QString& name, const QString& caption) {
    QMenu* m = bar->addMenu(caption);
    m->setObjectName(name);
    m->menuAction()->setObjectName(name);
    m_menus[name] = m;
    return m;
}

QAction* MenuBar::checkable(QMenu* menu, const QString& name, const QString& caption) {
    QAction* a = add(menu, name, caption);
    a->setCheckable(true);
    return a;
}

void MenuBar::hide(QAction* a) {
    a->setVisible(false);
    a->setEnabled(false);
}

void MenuBar::build(QMenuBar* bar, QObject* owner) {
    m_owner = owner;
    buildFile(bar);
    QMenu* settings = top(bar, QStringLiteral("mnuSettings"), QStringLiteral("&Settings"));
    buildColours(settings);
    buildSettings(settings);
    buildView(bar);
    buildGraph(bar);
    buildAudioTestHelp(bar);
}

void MenuBar::buildFile(QMenuBar* bar) {
    QMenu* file = top(bar, QStringLiteral("mnuFile"), QStringLiteral("&File"));
    add(file, QStringLiteral("mnuLoadSettings"), QStringLiteral("&Load Settings"));
    add(file, QStringLiteral("mnuSaveSettings"), QStringLiteral("Save Settings"));
    add(file, QStringLiteral("mnuSaveSettingsAs"), QStringLiteral("Save Settings &As"));
    add(file, QStringLiteral("mnuExit"), QStringLiteral("E&xit"));
}

// Settings > Colours: one item per colour of the panel, the needle and the graph.
void MenuBar::buildColours(QMenu* settings) {
    QMenu* colours = sub(settings, QStringLiteral("mnuSetCol"), QStringLiteral("&Colours"));
    add(colours, QStringLiteral("mnuSetColPanel"), QStringLiteral("Panel"));
    add(colours, QStringLiteral("mnuSetColDial"), QStringLiteral("Dial Face"));
    QMenu* needle = sub(colours, QStringLiteral("mnuSetColNeedle"), QStringLiteral("Needle"));
    add(needle, QStringLiteral("mnuSetColNeedleMain"), QStringLiteral("Main"));
    QMenu* shadow = sub(needle, QStringLiteral("mnuSetColNeedleShadow"), QStringLiteral("Shadow"));
    group(shadow, QStringLiteral("mnuSetColNeedleShadow_Index"),
          {QStringLiteral("Off"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
           QStringLiteral("4"), QStringLiteral("Full")},
          0);
    add(needle, QStringLiteral("mnuSetColNeedleBm"), QStringLiteral("Freeze"));
    add(colours, QStringLiteral("mnuSetColScale"), QStringLiteral("Scale"));
    QMenu* alert = sub(colours, QStringLiteral("mnuSetColAlert"), QStringLiteral("Alert"));
    add(alert, QStringLiteral("mnuSetColAlertSet"), QStringLiteral("Needle SET"));
    add(alert, QStringLiteral("mnuSetColAlertBM"), QStringLiteral("Body Motion"));
    add(alert, QStringLiteral("mnuSetColAlertLag"), QStringLiteral("Needle Lag"));
    add(colours, QStringLiteral("mnuSetColText"), QStringLiteral("Text"));
    QMenu* graphColours = sub(colours, QStringLiteral("mnuSetColorGraph"), QStringLiteral("Graph"));
    add(graphColours, QStringLiteral("mnuSetColorGraphPen"), QStringLiteral("Pen"));
    add(graphColours, QStringLiteral("mnuSetColorGraphSheet"), QStringLiteral("Sheet"));
    add(graphColours, QStringLiteral("mnuSetColorGraphGrid"), QStringLiteral("Grid"));
    add(colours, QStringLiteral("mnuSetColBackground"), QStringLiteral("Background"));
    colours->addSeparator()->setObjectName(QStringLiteral("Dummy1"));
    add(colours, QStringLiteral("mnuSettingsColorsDefault"), QStringLiteral("Set Defaults"));
}

// Settings below Colours: needle width, alerts, the external switch, the
// needle's counter, autosave.
void MenuBar::buildSettings(QMenu* settings) {
    QMenu* width =
        sub(settings, QStringLiteral("mnuSetNeedleWidth"), QStringLiteral("Needle Width"));
    std::vector<QString> widths = {QStringLiteral("off"), QStringLiteral("1 Pixel")};
    for (int i = 2; i <= 8; ++i)
        widths.push_back(QString::number(i) + QStringLiteral(" Pixels"));
    group(width, QStringLiteral("mnuSettingsNeedleWidth"), widths, 0);

    QMenu* alerts = sub(settings, QStringLiteral("mnuSettingsAlerts"), QStringLiteral("Alerts"));
    QMenu* bm = sub(alerts, QStringLiteral("mnuSettingsAlertsBmSens"),
                    QStringLiteral("Body Motion Detector"));
    group(bm, QStringLiteral("mnuSettingsBodyMotionThreshold"),
          {QStringLiteral("Fine"), QStringLiteral("Medium"), QStringLiteral("Coarse")}, 1);
    QMenu* freeze =
        sub(alerts, QStringLiteral("mnuSettingsBmFreeze"), QStringLiteral("Body Motion Freeze"));
    checkable(freeze, QStringLiteral("mnuSetBmFreezeOn"), QStringLiteral("On"));
    checkable(freeze, QStringLiteral("mnuSetBmFreezeOff"), QStringLiteral("Off"));
    QMenu* lag = sub(alerts, QStringLiteral("mnuSettingsAlertsLag"), QStringLiteral("Needle Lag"));
    group(lag, QStringLiteral("mnuSettingsLagThreshold"),
          {QStringLiteral("1/50 sec"), QStringLiteral("2/50 sec"), QStringLiteral("3/50 sec"),
           QStringLiteral("4/50 sec"), QStringLiteral("1/10 sec")},
          1);
    QMenu* extSw =
        sub(settings, QStringLiteral("mnuSettingsExtSw"), QStringLiteral("External Switch"));
    group(extSw, QStringLiteral("mnuSettingsExtSwMode"),
          {QStringLiteral("Needle SET"), QStringLiteral("Tag")}, 1);
    QMenu* needleBd =
        sub(settings, QStringLiteral("mnuSetNeedleBD"), QStringLiteral("Needle  BD Counter"));
    checkable(needleBd, QStringLiteral("mnuSetNeedleBDOn"), QStringLiteral("On"));
    checkable(needleBd, QStringLiteral("mnuSetNeedleBDOff"), QStringLiteral("Off"));
    needleBd->menuAction()->setVisible(
        false); // shown by the meter style dialog for the Traditional dial
    QMenu* autosave =
        sub(settings, QStringLiteral("mnuSettingsAutoSave"), QStringLiteral("Autosave Settings"));
    checkable(autosave, QStringLiteral("mnuSettingsAutoSaveOn"), QStringLiteral("On"));
    checkable(autosave, QStringLiteral("mnuSettingsAutoSavePrompt"), QStringLiteral("Prompt"));
    checkable(autosave, QStringLiteral("mnuSettingsAutoSaveOff"), QStringLiteral("Off"));
}

void MenuBar::buildView(QMenuBar* bar) {
    QMenu* view = top(bar, QStringLiteral("mnuView"), QStringLiteral("&View"));
    hide(checkable(view, QStringLiteral("mnuViewRecording"), QStringLiteral("Recording")));
    checkable(view, QStringLiteral("mnuViewGraph"), QStringLiteral("Graph"));
    add(view, QStringLiteral("mnuViewMeter"), QStringLiteral("Meter Style"));
}

void MenuBar::buildGraph(QMenuBar* bar) {
    QMenu* graph = top(bar, QStringLiteral("mnuGraph"), QStringLiteral("&Graph"));
    checkable(graph, QStringLiteral("mnuGraphGridX"), QStringLiteral("Grid X"))->setChecked(true);
    checkable(graph, QStringLiteral("mnuGraphGridY"), QStringLiteral("Grid Y"))->setChecked(true);
    QMenu* height = sub(graph, QStringLiteral("mnuGraphHeight"), QStringLiteral("Height"));
    group(height, QStringLiteral("mnuGraphHeightIndex"),
          {QString(), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
           QStringLiteral("4"), QStringLiteral("5")},
          0);
    QMenu* pen = sub(graph, QStringLiteral("mnuGraphPenWidth"), QStringLiteral("Pen Width"));
    group(pen, QStringLiteral("mnuGraphPenWidthIndex"),
          {QString(), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}, 0);
    checkable(graph, QStringLiteral("mnuGraphInvert"), QStringLiteral("Invert"));
    QMenu* timescale = sub(graph, QStringLiteral("mnuGraphTimescale"), QStringLiteral("Timescale"));
    group(timescale, QStringLiteral("mnuGraphTimescaleSecs"),
          {QString(), QStringLiteral("8"), QStringLiteral("16"), QStringLiteral("24"),
           QStringLiteral("32")},
          0);
    timescale->menuAction()->setVisible(false);
    timescale->menuAction()->setEnabled(false);
    for (const QString& g :
         {QStringLiteral("mnuGraphHeightIndex"), QStringLiteral("mnuGraphPenWidthIndex"),
          QStringLiteral("mnuGraphTimescaleSecs")})
        hide(m_groups[g][0]); // item 0 exists but is never offered
}

void MenuBar::buildAudioTestHelp(QMenuBar* bar) {
    QMenu* audio = top(bar, QStringLiteral("mnuRecAudioMode"), QStringLiteral("&Audio"));
    checkable(audio, QStringLiteral("mnuRecAudioOn"), QStringLiteral("On"));
    checkable(audio, QStringLiteral("mnuRecAudioOff"), QStringLiteral("Off"));

    QMenu* test = top(bar, QStringLiteral("mnuTest"), QStringLiteral("&Test"));
    add(test, QStringLiteral("mnuTestOn"), QStringLiteral("Start"));

    QMenu* help = top(bar, QStringLiteral("mnuhelp"), QStringLiteral("&Help"));
    add(help, QStringLiteral("mnuhelpAbout"), QStringLiteral("&About"));
    // Shown, with F1 (from the window's key table): the user guide is there to be read.
    add(help, QStringLiteral("mnuHelpHelp"), QStringLiteral("Help"));
}

QAction* MenuBar::item(const QString& name) const {
    const auto it = m_items.find(name);
    return it == m_items.end() ? nullptr : it->second;
}

QAction* MenuBar::indexed(const QString& group, int index) const {
    const auto g = m_groups.find(group);
    if (g == m_groups.end()) return nullptr;
    const auto it = g->second.find(index);
    return it == g->second.end() ? nullptr : it->second;
}

QMenu* MenuBar::menu(const QString& name) const {
    const auto it = m_menus.find(name);
    return it == m_menus.end() ? nullptr : it->second;
}

void MenuBar::checkOnly(const QString& group, int index) const {
    const auto g = m_groups.find(group);
    if (g == m_groups.end()) return;
    for (const auto& [i, a] : g->second)
        a->setChecked(i == index);
}

void MenuBar::checkPair(const QString& on, const QString& off, bool isOn) const {
    if (QAction* a = item(on)) a->setChecked(isOn);
    if (QAction* a = item(off)) a->setChecked(!isOn);
}

} // namespace kv
