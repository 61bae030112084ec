// TForm1 as it is built: its controls, menu, status bar, timers, players and parts,
// the secondary windows, and the events it handles itself. The handlers are in
// Unit1Handlers.cpp.

#include "Unit1.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStyleOptionMenuItem>
#include <QToolButton>
#include <algorithm>
#include <tuple>

#include "Accessibility.h"
#include "DialogueView.h"
#include "InputLine.h"
#include "KeepColours.h"
#include "MainAppearance.h"
#include "Messages.h"
#include "PanelStatusBar.h"
#include "Sound.h"
#include "Unit2.h"
#include "Unit3.h"
#include "Unit4.h"
#include "WindowMotion.h"

namespace cpuchat {

namespace {

// Timers asked for "1 ms" run as often as the platform allows. That is right for the
// timers that run for a moment (start-up load, animations), but an idle window must
// not spin: the polling runs at once after anything it reads has changed, and its
// own period is only a backstop for changes made by code that does not tell it.
constexpr int kAsOftenAsPossible = 1;
constexpr int kPollBackstop = 100;
// The closing animation is meant to be watched: "1 ms" was the pace of the classic
// desktop's timer service, about one step per 15 ms, so its 80 steps take a second
// or so rather than vanishing in a blink.
constexpr int kClosingStep = 15;

const QString kDefaultEditorPath = QStringLiteral("D:\\Txt.Dat");
constexpr int kDefaultEditorInterval = 1000;

// Two separator lines of the menu carry shortcuts; they must still look like plain
// separator lines, without the shortcut's text.
//
// Access keys answer the key rather than the layout: a letter typed in the other layout
// (the Russian "а" on the F key) picks the item whose access key sits on that key, as
// long as no item has the typed letter itself as its access key.
class Menu : public QMenu {
public:
    using QMenu::QMenu;

protected:
    void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override {
        QMenu::initStyleOption(option, action);
        if (action->isSeparator()) option->text.clear();
    }

    void keyPressEvent(QKeyEvent* event) override {
        const Qt::KeyboardModifiers modifiers = event->modifiers();
        // The keys QMenu reads as access keys.
        const bool accessKey =
            event->text().size() == 1 &&
            (modifiers == Qt::NoModifier || modifiers == Qt::AltModifier || modifiers == Qt::ShiftModifier);
        if (accessKey) {
            const QChar typed = event->text().at(0);
            const QChar other = otherLayoutChar(typed);
            if (other != typed && !hasAccessKey(typed) && hasAccessKey(other)) {
                QKeyEvent sameKey(event->type(), event->key(), modifiers, QString(other),
                                  event->isAutoRepeat(), event->count());
                QMenu::keyPressEvent(&sameKey);
                event->setAccepted(sameKey.isAccepted());
                return;
            }
        }
        QMenu::keyPressEvent(event);
    }

private:
    bool hasAccessKey(QChar key) const {
        const QList<QAction*> items = actions();
        return std::any_of(items.begin(), items.end(), [key](const QAction* item) {
            return (QKeySequence::mnemonic(item->text())[0].toCombined() & 0xffff) == key.toUpper().unicode();
        });
    }
};

}  // namespace

TForm1::TForm1(FileSystem& files, Random& random, Clock& clock, SoundSystem& sound, QWidget* parent)
    : QMainWindow(parent,
                  Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_engine(files, random, clock),
      m_sound(sound),
      m_editorPathSource([] { return kDefaultEditorPath; }),
      m_editorIntervalSource([] { return kDefaultEditorInterval; }) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Разработчик: Зорвикс Лормак. v2.156"));
    installFontSubstitutes();
    setFont(FontSpec{}.toQFont());
    createControls();
    createMenus();
    createStatusBar();
    createTimers();
    createParts();
    createSecondaryWindows();
    m_motion->keepNormalSize();
    if (!createPlayers()) return;
    FormCreate();
    startTimers();
    m_started = true;
}

TForm1::~TForm1() {
    // The controls die after this object's members: no signal of theirs, nor a focus
    // change while they go, may reach a handler any more.
    disconnect(qApp, nullptr, this, nullptr);
    m_ui.edit1->removeEventFilter(this);
    m_ui.edit1->disconnect(this);
}

// ---- Building the window -------------------------------------------------------

void TForm1::createControls() {
    m_ui.client = new QWidget(this);
    m_ui.client->setObjectName(QStringLiteral("ClientArea"));
    m_ui.client->setFixedSize(kMainClientWidth, kMainClientHeight);
    m_ui.client->setAutoFillBackground(true);
    m_ui.client->setCursor(Qt::ForbiddenCursor);
    setCentralWidget(m_ui.client);

    m_ui.tabControl1 = addFrame("TabControl1", {0, 0, 588, 313}, Qt::ArrowCursor);

    m_ui.richEdit1 = new DialogueView(m_ui.tabControl1);
    m_ui.richEdit1->setObjectName(QStringLiteral("RichEdit1"));
    m_ui.richEdit1->setGeometry(3, 6, 581, 303);
    m_ui.richEdit1->viewport()->setCursor(Qt::ForbiddenCursor);
    m_ui.richEdit1->setToolTip(QStringLiteral("Поле для отображения диалога"));
    m_ui.richEdit1->setAccessibleName(QStringLiteral("Диалог"));

    m_ui.talk = new QPushButton(QStringLiteral("<ENTER> (Для кнопки сказать)"), m_ui.client);
    m_ui.talk->setObjectName(QStringLiteral("Talk"));
    m_ui.talk->setGeometry(-200, 107, 186, 17);
    m_ui.talk->setCursor(Qt::ArrowCursor);
    m_ui.talk->setDefault(true);
    m_ui.talk->setEnabled(false);
    // Out of sight it is out of screen readers' sight too; a click still works.
    m_ui.talk->setFocusPolicy(Qt::NoFocus);
    m_ui.talk->hide();
    connect(m_ui.talk, &QPushButton::clicked, this, &TForm1::TalkClick);

    m_ui.tabControl2 = addFrame("TabControl2", {0, 312, 585, 30}, Qt::ForbiddenCursor);

    m_ui.edit1 = new QLineEdit(m_ui.tabControl2);
    m_ui.edit1->setObjectName(QStringLiteral("Edit1"));
    m_ui.edit1->setGeometry(3, 5, 422, 21);
    m_ui.edit1->setMaxLength(255);
    // What the virtual keyboard composes must stay readable behind it.
    keepColoursWhenDisabled(m_ui.edit1);
    m_ui.edit1->setToolTip(QStringLiteral("Поле для ввода фразы пользователя"));
    m_ui.edit1->setAccessibleName(QStringLiteral("Ваша фраза"));
    m_ui.edit1->installEventFilter(this);
    connect(m_ui.edit1, &QLineEdit::textChanged, this, &TForm1::Edit1Change);

    m_ui.speedButton2 = addSpeedButton("SpeedButton2", QStringLiteral("<"), {426, 5, 27, 22},
                                       QStringLiteral("Отмена (Альтернатива клавиша: <Ctrl + Z>)"));
    m_ui.speedButton3 = addSpeedButton("SpeedButton3", QStringLiteral("E/R"), {453, 5, 43, 22},
                                       QStringLiteral("Раскладка (Альтернатива клавиша: <Ctrl + S>)"));
    m_ui.speedButton1 =
        addSpeedButton("SpeedButton1", QStringLiteral("Сказать"), {496, 5, 86, 22},
                       QStringLiteral("Кнопка отправки текста (Альтернативная клавиша: <ENTER>)"));
    // Screen readers would spell the captions "<" and "E/R" out.
    m_ui.speedButton2->setAccessibleName(QStringLiteral("Отмена"));
    m_ui.speedButton3->setAccessibleName(QStringLiteral("Раскладка"));
    // The replies are spoken through it while the focus stays on the input line.
    m_replyNote = new SpokenNote(m_ui.client);
    connect(m_ui.speedButton1, &QToolButton::clicked, this, &TForm1::SpeedButton1Click);
    connect(m_ui.speedButton2, &QToolButton::clicked, this, &TForm1::SpeedButton2Click);
    connect(m_ui.speedButton3, &QToolButton::clicked, this, &TForm1::SpeedButton3Click);
}

QFrame* TForm1::addFrame(const char* name, QRect geometry, Qt::CursorShape pointer) {
    auto* frame = new QFrame(m_ui.client);
    frame->setObjectName(QString::fromLatin1(name));
    frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    frame->setGeometry(geometry);
    frame->setCursor(pointer);
    return frame;
}

QToolButton* TForm1::addSpeedButton(const char* name, const QString& caption, QRect geometry,
                                    const QString& hint) {
    auto* button = new QToolButton(m_ui.tabControl2);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(caption);
    button->setAutoRaise(true);  // flat
    button->setGeometry(geometry);
    button->setCursor(Qt::PointingHandCursor);
    button->setToolTip(hint);
    button->setFocusPolicy(Qt::NoFocus);
    button->setEnabled(false);
    return button;
}

void TForm1::createMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    QMenu* n1 = m_menus[0] = addSubmenu(bar, "N1", QStringLiteral("&Система"));
    addItem(n1, "N2", QStringLiteral("&Новый диалог"), &TForm1::N2Click);
    addSeparator(n1, "N23");
    addItem(n1, "N22", QStringLiteral("&Вызвать виртуальную клавиатуру"), &TForm1::N22Click);
    QMenu* n17 = addSubmenu(n1, "N17", QStringLiteral("&Подробнее о базе:"));
    m_statistics[0] = addItem(n17, "N18", QStringLiteral("&Входящие выражения:"));
    m_statistics[1] = addItem(n17, "N19", QStringLiteral("&Исходящие выражения:"));
    m_statistics[2] = addItem(n17, "N20", QStringLiteral("&Итого:"));
    addSeparator(n1, "N3");
    addItem(n1, "N4", QStringLiteral("В&ыход"), &TForm1::N4Click);

    QMenu* n5 = m_menus[1] = addSubmenu(bar, "N5", QStringLiteral("&Настройки"));
    addItem(n5, "N6", QStringLiteral("&Цвет основного фона "), &TForm1::N6Click);
    addItem(n5, "N21", QStringLiteral("Ц&вет фона поля вывода реплик"), &TForm1::N21Click);
    addItem(n5, "N16", QStringLiteral("Цв&ет фона поля ввода реплик"), &TForm1::N16Click);
    addItem(n5, "N9", QStringLiteral("Цве&т шрифтов кнопок на панели"), &TForm1::N9Click);
    // Two separator lines carry the window's shortcuts; like any item they act only
    // while enabled.
    m_n15 = addSeparator(n5, "N15", QKeySequence(Qt::CTRL | Qt::Key_Z), &TForm1::N15Click);
    m_n15->setEnabled(false);
    QMenu* n7 = addSubmenu(n5, "N7", QStringLiteral("Цвет &реплик"));
    addItem(n7, "User1", QStringLiteral("&User"), &TForm1::User1Click);
    addItem(n7, "Cpu1", QStringLiteral("&Cpu"), &TForm1::Cpu1Click);
    addItem(n7, "Mystring2", QStringLiteral("&My string"), &TForm1::Mystring2Click);
    m_n36 = addSeparator(n5, "N36", QKeySequence(Qt::CTRL | Qt::Key_S), &TForm1::N36Click);
    QMenu* n10 = addSubmenu(n5, "N10", QStringLiteral("&Параметры шрифта"));
    addItem(n10, "User2", QStringLiteral("&User"), &TForm1::User2Click);
    addItem(n10, "Cpu2", QStringLiteral("&Cpu"), &TForm1::Cpu2Click);
    addItem(n10, "Mystring1", QStringLiteral("&My string"), &TForm1::Mystring1Click);
    addSeparator(n5, "N8");
    m_n13 = addCheckItem(n5, "N13", QStringLiteral("Вернуть первоначальные настройки"), &TForm1::N13Click);
    addSeparator(n5, "N14");
    QMenu* n37 = addSubmenu(n5, "N37", QStringLiteral("&Режим"));
    m_cpuUser1 = addCheckItem(n37, "CpuUser1", QStringLiteral("&Cpu\\User"), &TForm1::CpuUser1Click);
    m_cpu31 = addCheckItem(n37, "Cpu31", QStringLiteral("C&pu\\Cpu"), &TForm1::Cpu31Click);
    m_cpuUser1->setChecked(true);
    addItem(n5, "N38", QStringLiteral("Ре&дактор"), &TForm1::N38Click);
    addSeparator(n5, "N39");
    m_n40 = addCheckItem(n5, "N40", QStringLiteral("&Full Screen"), &TForm1::N40Click);

    QMenu* n11 = m_menus[2] = addSubmenu(bar, "N11", QStringLiteral("С&правка"));
    addItem(n11, "N12", QStringLiteral("&О программе..."), &TForm1::N12Click);
}

QMenu* TForm1::addSubmenu(QWidget* parent, const char* name, const QString& caption) {
    auto* menu = new Menu(caption, parent);
    menu->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setObjectName(QString::fromLatin1(name));
    if (auto* bar = qobject_cast<QMenuBar*>(parent)) {
        bar->addMenu(menu);
    } else if (auto* owner = qobject_cast<QMenu*>(parent)) {
        owner->addMenu(menu);
    }
    return menu;
}

QAction* TForm1::addItem(QMenu* menu, const char* name, const QString& caption, Handler handler) {
    QAction* item = menu->addAction(caption);
    item->setObjectName(QString::fromLatin1(name));
    if (handler) connect(item, &QAction::triggered, this, handler);
    return item;
}

QAction* TForm1::addCheckItem(QMenu* menu, const char* name, const QString& caption, Handler handler) {
    QAction* item = menu->addAction(caption);
    item->setObjectName(QString::fromLatin1(name));
    item->setCheckable(true);
    // Qt toggles a checkable item before its handler runs: the click is undone first,
    // so that the mark changes only when the handler sets it.
    connect(item, &QAction::triggered, item, [item](bool checked) { item->setChecked(!checked); });
    connect(item, &QAction::toggled, this, &TForm1::requestPoll);
    connect(item, &QAction::triggered, this, handler);
    return item;
}

QAction* TForm1::addSeparator(QMenu* menu, const char* name, const QKeySequence& shortcut, Handler handler) {
    QAction* item = menu->addSeparator();
    item->setObjectName(QString::fromLatin1(name));
    item->setShortcut(shortcut);
    if (handler) connect(item, &QAction::triggered, this, handler);
    return item;
}

void TForm1::createStatusBar() {
    m_ui.statusBar1 = new PanelStatusBar({130, 322}, m_ui.client);
    m_ui.statusBar1->setObjectName(QStringLiteral("StatusBar1"));
    m_ui.statusBar1->setGeometry(0, kMainClientHeight - kStatusBarHeight, kMainClientWidth, kStatusBarHeight);
    m_ui.statusBar1->setCursor(Qt::WhatsThisCursor);
    m_ui.statusBar1->setToolTip(QStringLiteral("Индикатор"));
    m_ui.statusBar1->setPanelText(2, QStringLiteral("Режим Cpu\\User"));
    m_ui.statusBar1->setPanelTitle(0, QStringLiteral("Загрузка базы"));
    m_ui.statusBar1->setPanelTitle(1, QStringLiteral("Состав базы"));
    m_ui.statusBar1->setPanelTitle(2, QStringLiteral("Режим диалога"));
    keepColoursWhenDisabled(m_ui.statusBar1);  // readable behind a secondary window
}

void TForm1::createTimers() {
    const std::tuple<QTimer*, const char*, int, Handler> timers[] = {
        {&m_timer1, "Timer1", kPollBackstop, &TForm1::Timer1Timer},       // UI polling
        {&m_timer2, "Timer2", 1000, &TForm1::Timer2Timer},                // idle remarks
        {&m_timer3, "Timer3", kAsOftenAsPossible, &TForm1::Timer3Timer},  // start-up load, once
        {&m_timer4, "Timer4", kClosingStep, &TForm1::Timer4Timer},        // closing animation
        {&m_timer5, "Timer5", kAsOftenAsPossible, &TForm1::Timer5Timer},  // input guard
        {&m_timer6, "Timer6", 3000, &TForm1::Timer6Timer},                // Cpu\Cpu tick
        {&m_timer7, "Timer7", kAsOftenAsPossible, &TForm1::Timer7Timer},  // shake animation
        {&m_timer8, "Timer8", 1000, &TForm1::Timer8Timer},                // knowledge statistics
        {&m_timer9, "Timer9", 1000, &TForm1::Timer9Timer},                // afterthought
    };
    for (const auto& [timer, name, interval, handler] : timers) {
        timer->setObjectName(QString::fromLatin1(name));
        timer->setInterval(interval);
        connect(timer, &QTimer::timeout, this, handler);
    }
    m_pollSoon.setObjectName(QStringLiteral("Timer1Wake"));
    m_pollSoon.setSingleShot(true);
    m_pollSoon.setInterval(0);
    connect(&m_pollSoon, &QTimer::timeout, this, [this] {
        if (m_timer1.isActive()) Timer1Timer();
    });
    // The polling also moves the focus, so a focus change elsewhere wakes it.
    connect(qApp, &QApplication::focusChanged, this, &TForm1::requestPoll);
}

void TForm1::createParts() {
    m_motion = std::make_unique<WindowMotion>(
        this, m_ui, m_n40, [this](const QPoint& frameTopLeft) { moveWindowTo(frameTopLeft); });
    m_look = std::make_unique<MainAppearance>(m_ui, m_n13, this);
}

void TForm1::createSecondaryWindows() {
    // Built hidden, in this order, before the virtual keyboard.
    m_form2 = new TForm2(*this, m_engine.random(), m_engine.clock());
    connect(m_form2, &TForm2::changed, this, [this] { m_look->clearDefaultsMark(); });
    setEditorPathSource([this] { return m_form2->path(); });
    setEditorIntervalSource([this] { return m_form2->interval(); });
    m_form3 = new TForm3(*this, m_engine.store().fileSystem());
}

TForm4* TForm1::createVirtualKeyboard() {
    if (!m_form4) m_form4 = new TForm4(*this, m_ui.edit1, [this] { clickSend(); });
    return m_form4;
}

bool TForm1::createPlayers() {
    static const char* const kFiles[SoundSystem::kPlayers] = {
        "Sound\\KeyBoard.wav", "Sound\\Button3.wav",  "Sound\\Button2.wav",
        "Sound\\Button1.wav",  "Sound\\CpuSound.wav", "Sound\\Close.wav",
    };
    for (int player = 1; player <= SoundSystem::kPlayers; ++player) {
        const QString error = m_sound.open(player, QString::fromLatin1(kFiles[player - 1]));
        if (!error.isEmpty()) {
            showMessage(this, error);
            return false;
        }
    }
    return true;
}

void TForm1::startTimers() {
    for (QTimer* timer : {&m_timer1, &m_timer2, &m_timer3, &m_timer5, &m_timer7, &m_timer8}) timer->start();
}

// ---- Public helpers -------------------------------------------------------------

Mode TForm1::mode() const { return m_cpu31->isChecked() ? Mode::CpuCpu : Mode::CpuUser; }

Appearance& TForm1::appearance() noexcept { return m_look->settings(); }

QString TForm1::statusText(int panel) const { return m_ui.statusBar1->panelText(panel); }

void TForm1::setStatusText(int panel, const QString& text) { m_ui.statusBar1->setPanelText(panel, text); }

void TForm1::playSound(int player) { m_sound.play(player); }

void TForm1::suspendPolling() {
    m_timer1.stop();
    m_pollSoon.stop();
}

void TForm1::resumePolling() {
    m_timer1.start();
    requestPoll();
}

QString TForm1::editorPath() const { return m_editorPathSource(); }

void TForm1::setEditorPathSource(std::function<QString()> source) {
    m_editorPathSource = source ? std::move(source) : [] { return kDefaultEditorPath; };
}

int TForm1::editorInterval() const { return m_editorIntervalSource(); }

void TForm1::setEditorIntervalSource(std::function<int()> source) {
    m_editorIntervalSource = source ? std::move(source) : [] { return kDefaultEditorInterval; };
}

void TForm1::setAppearanceDialogs(std::shared_ptr<AppearanceDialogs> dialogs) {
    m_look->setDialogs(std::move(dialogs));
}

void TForm1::setOuterSizeSource(std::function<QSize()> source) {
    m_motion->setOuterSizeSource(std::move(source));
}

// ---- Events ---------------------------------------------------------------------

bool TForm1::event(QEvent* event) {
    const bool handled = QMainWindow::event(event);
    if (m_motion) m_motion->windowEvent(event);
    return handled;
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    // The polling keeps the focus on the input line, so the view's paging keys are
    // taken from there.
    if (watched == m_ui.edit1 && event->type() == QEvent::KeyPress &&
        m_ui.richEdit1->scrollForKey(*static_cast<QKeyEvent*>(event))) {
        return true;
    }
    // The menu's shortcuts come before the input line's own keys (Ctrl+Z would
    // otherwise undo typing in the line), but only while their items are enabled.
    if (watched == m_ui.edit1 && event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QKeySequence pressed(key->keyCombination());
        for (const QAction* item : {m_n15, m_n36}) {
            if (item->isEnabled() && item->shortcut() == pressed) {
                event->ignore();
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::closeEvent(QCloseEvent* event) {
    // The close box ends the program at once; only "Выход" writes the session log.
    // The secondary windows refuse to close by themselves and would keep the program
    // running: they go with this window, also when it is closed while disabled.
    for (QWidget* secondary : std::initializer_list<QWidget*>{m_form2, m_form3, m_form4}) {
        if (secondary) secondary->hide();
    }
    event->accept();
    emit closed();
}

void TForm1::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::ActivationChange) requestPoll();
}

void TForm1::keyPressEvent(QKeyEvent* event) {
    // Talk is the window's default button: Enter without Shift, Ctrl or Alt clicks it,
    // which does nothing while it is disabled.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && !(event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier))) {
        m_ui.talk->click();
        event->accept();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void TForm1::moveWindowTo(const QPoint& frameTopLeft) { m_motion->place(frameTopLeft); }

}  // namespace cpuchat
