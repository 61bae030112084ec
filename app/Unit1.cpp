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
#include <QScreen>
#include <QStyleOptionMenuItem>
#include <QToolButton>

#include "DialogueView.h"
#include "InputLine.h"
#include "KeepColours.h"
#include "Messages.h"
#include "PanelStatusBar.h"
#include "Sound.h"
#include "Unit2.h"
#include "Unit3.h"
#include "Unit4.h"

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

const QString kLoading = QStringLiteral("Идёт загрузка подождите...");
const QString kLoaded = QStringLiteral("Загрузка окончена");
const QString kDefaultEditorPath = QStringLiteral("D:\\Txt.Dat");
constexpr int kDefaultEditorInterval = 1000;

// Sets the application's busy pointer for the life of the object.
class BusyPointer {
public:
    BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

// Two separator lines of the menu carry shortcuts; they must still look like plain
// separator lines, without the shortcut's text.
class Menu : public QMenu {
public:
    using QMenu::QMenu;

protected:
    void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override {
        QMenu::initStyleOption(option, action);
        if (action->isSeparator()) option->text.clear();
    }
};

QPalette silverBackground(QPalette palette, QPalette::ColorRole role) {
    palette.setColor(role, toQColor(Appearance::kSilver));
    return palette;
}

}  // namespace

TForm1::TForm1(FileSystem& files, Random& random, Clock& clock, SoundSystem& sound, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
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
    connectSettingsItems();
    createSecondaryWindows();
    // The menu bar's height depends on the platform; the client area below it does not.
    setFixedSize(kClientWidth, menuBar()->sizeHint().height() + kClientHeight);
    if (!createPlayers()) return;
    FormCreate();
    startTimers();
    m_started = true;
}

TForm1::~TForm1() {
    // The controls die after this object's members: no signal of theirs, nor a focus
    // change while they go, may reach a handler any more.
    disconnect(qApp, nullptr, this, nullptr);
    m_edit1->removeEventFilter(this);
    m_edit1->disconnect(this);
}

// ---- Building the window -------------------------------------------------------

void TForm1::createControls() {
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("ClientArea"));
    m_client->setFixedSize(kClientWidth, kClientHeight);
    m_client->setAutoFillBackground(true);
    m_client->setPalette(silverBackground(m_client->palette(), QPalette::Window));
    m_client->setCursor(Qt::ForbiddenCursor);
    setCentralWidget(m_client);

    m_tabControl1 = new QFrame(m_client);
    m_tabControl1->setObjectName(QStringLiteral("TabControl1"));
    m_tabControl1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    m_tabControl1->setGeometry(0, 0, 588, 313);
    m_tabControl1->setCursor(Qt::ArrowCursor);

    m_richEdit1 = new DialogueView(m_tabControl1);
    m_richEdit1->setObjectName(QStringLiteral("RichEdit1"));
    m_richEdit1->setGeometry(3, 6, 581, 303);
    m_richEdit1->setPalette(silverBackground(m_richEdit1->palette(), QPalette::Base));
    m_richEdit1->viewport()->setCursor(Qt::ForbiddenCursor);
    m_richEdit1->setToolTip(QStringLiteral("Поле для отображения диалога"));

    m_talk = new QPushButton(QStringLiteral("<ENTER> (Для кнопки сказать)"), m_client);
    m_talk->setObjectName(QStringLiteral("Talk"));
    m_talk->setGeometry(-200, 107, 186, 17);
    m_talk->setCursor(Qt::ArrowCursor);
    m_talk->setDefault(true);
    m_talk->setEnabled(false);
    connect(m_talk, &QPushButton::clicked, this, &TForm1::TalkClick);

    m_tabControl2 = new QFrame(m_client);
    m_tabControl2->setObjectName(QStringLiteral("TabControl2"));
    m_tabControl2->setFrameStyle(QFrame::Panel | QFrame::Raised);
    m_tabControl2->setGeometry(0, 312, 585, 30);
    m_tabControl2->setCursor(Qt::ForbiddenCursor);

    m_edit1 = new QLineEdit(m_tabControl2);
    m_edit1->setObjectName(QStringLiteral("Edit1"));
    m_edit1->setGeometry(3, 5, 422, 21);
    m_edit1->setMaxLength(255);
    m_edit1->setPalette(silverBackground(m_edit1->palette(), QPalette::Base));
    // What the virtual keyboard composes must stay readable behind it.
    keepColoursWhenDisabled(m_edit1);
    m_edit1->setToolTip(QStringLiteral("Поле для ввода фразы пользователя"));
    applyInputFont();
    m_edit1->installEventFilter(this);
    connect(m_edit1, &QLineEdit::textChanged, this, &TForm1::Edit1Change);

    m_speedButton2 = addSpeedButton(m_tabControl2, "SpeedButton2", QStringLiteral("<"), {426, 5, 27, 22},
                                    QStringLiteral("Отмена (Альтернатива клавиша: <Ctrl + Z>)"));
    m_speedButton3 = addSpeedButton(m_tabControl2, "SpeedButton3", QStringLiteral("E/R"), {453, 5, 43, 22},
                                    QStringLiteral("Раскладка (Альтернатива клавиша: <Ctrl + S>)"));
    m_speedButton1 = addSpeedButton(m_tabControl2, "SpeedButton1", QStringLiteral("Сказать"), {496, 5, 86, 22},
                                    QStringLiteral("Кнопка отправки текста (Альтернативная клавиша: <ENTER>)"));
    connect(m_speedButton1, &QToolButton::clicked, this, &TForm1::SpeedButton1Click);
    connect(m_speedButton2, &QToolButton::clicked, this, &TForm1::SpeedButton2Click);
    connect(m_speedButton3, &QToolButton::clicked, this, &TForm1::SpeedButton3Click);
}

QToolButton* TForm1::addSpeedButton(QWidget* parent, const char* name, const QString& caption, QRect geometry,
                                    const QString& hint) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(caption);
    button->setAutoRaise(true);  // flat
    button->setGeometry(geometry);
    button->setCursor(Qt::PointingHandCursor);
    button->setToolTip(hint);
    button->setFocusPolicy(Qt::NoFocus);
    button->setEnabled(false);
    QPalette palette = button->palette();
    palette.setColor(QPalette::Active, QPalette::ButtonText, Qt::black);
    palette.setColor(QPalette::Inactive, QPalette::ButtonText, Qt::black);
    // Greyed as on the classic desktop; the style's own grey vanishes on silver.
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(128, 128, 128));
    button->setPalette(palette);
    return button;
}

void TForm1::createMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    QMenu* n1 = addSubmenu(bar, "N1", QStringLiteral("&Система"));
    m_n2 = addItem(n1, "N2", QStringLiteral("&Новый диалог"));
    addSeparator(n1, "N23");
    m_n22 = addItem(n1, "N22", QStringLiteral("&Вызвать виртуальную клавиатуру"));
    QMenu* n17 = addSubmenu(n1, "N17", QStringLiteral("&Подробнее о базе:"));
    addItem(n17, "N18", QStringLiteral("&Входящие выражения:"));
    addItem(n17, "N19", QStringLiteral("&Исходящие выражения:"));
    addItem(n17, "N20", QStringLiteral("&Итого:"));
    addSeparator(n1, "N3");
    m_n4 = addItem(n1, "N4", QStringLiteral("В&ыход"));

    QMenu* n5 = addSubmenu(bar, "N5", QStringLiteral("&Настройки"));
    addItem(n5, "N6", QStringLiteral("&Цвет основного фона "));
    addItem(n5, "N21", QStringLiteral("Ц&вет фона поля вывода реплик"));
    addItem(n5, "N16", QStringLiteral("Цв&ет фона поля ввода реплик"));
    addItem(n5, "N9", QStringLiteral("Цве&т шрифтов кнопок на панели"));
    // Two separator lines carry the window's shortcuts; like any item they act only
    // while enabled.
    m_n15 = addSeparator(n5, "N15");
    m_n15->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    m_n15->setEnabled(false);
    QMenu* n7 = addSubmenu(n5, "N7", QStringLiteral("Цвет &реплик"));
    addItem(n7, "User1", QStringLiteral("&User"));
    addItem(n7, "Cpu1", QStringLiteral("&Cpu"));
    addItem(n7, "Mystring2", QStringLiteral("&My string"));
    m_n36 = addSeparator(n5, "N36");
    m_n36->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    QMenu* n10 = addSubmenu(n5, "N10", QStringLiteral("&Параметры шрифта"));
    addItem(n10, "User2", QStringLiteral("&User"));
    addItem(n10, "Cpu2", QStringLiteral("&Cpu"));
    addItem(n10, "Mystring1", QStringLiteral("&My string"));
    addSeparator(n5, "N8");
    m_n13 = addItem(n5, "N13", QStringLiteral("Вернуть первоначальные настройки"));
    addSeparator(n5, "N14");
    QMenu* n37 = addSubmenu(n5, "N37", QStringLiteral("&Режим"));
    m_cpuUser1 = addItem(n37, "CpuUser1", QStringLiteral("&Cpu\\User"));
    m_cpu31 = addItem(n37, "Cpu31", QStringLiteral("C&pu\\Cpu"));
    addItem(n5, "N38", QStringLiteral("Ре&дактор"));
    addSeparator(n5, "N39");
    addItem(n5, "N40", QStringLiteral("&Full Screen"));

    QMenu* n11 = addSubmenu(bar, "N11", QStringLiteral("С&правка"));
    addItem(n11, "N12", QStringLiteral("&О программе..."));

    // Check marks change only when a handler sets them, never by the click itself
    // (Qt would toggle a checkable item before its handler runs).
    for (QAction* item : {m_n13, m_cpuUser1, m_cpu31}) {
        item->setCheckable(true);
        connect(item, &QAction::triggered, item, [item](bool checked) { item->setChecked(!checked); });
        connect(item, &QAction::toggled, this, &TForm1::requestPoll);
    }
    m_n13->setChecked(true);
    m_cpuUser1->setChecked(true);

    connect(m_n2, &QAction::triggered, this, &TForm1::N2Click);
    connect(m_n4, &QAction::triggered, this, &TForm1::N4Click);
    connect(m_n15, &QAction::triggered, this, &TForm1::N15Click);
    connect(m_n36, &QAction::triggered, this, &TForm1::N36Click);
    connect(m_n22, &QAction::triggered, this, &TForm1::N22Click);
    // After the connection above that keeps the check mark: the handlers set it.
    connect(m_cpuUser1, &QAction::triggered, this, &TForm1::CpuUser1Click);
    connect(m_cpu31, &QAction::triggered, this, &TForm1::Cpu31Click);
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

QAction* TForm1::addItem(QMenu* menu, const char* name, const QString& caption) {
    QAction* item = menu->addAction(caption);
    item->setObjectName(QString::fromLatin1(name));
    return item;
}

QAction* TForm1::addSeparator(QMenu* menu, const char* name) {
    QAction* item = menu->addSeparator();
    item->setObjectName(QString::fromLatin1(name));
    return item;
}

void TForm1::createStatusBar() {
    m_statusBar1 = new PanelStatusBar({130, 322}, m_client);
    m_statusBar1->setObjectName(QStringLiteral("StatusBar1"));
    m_statusBar1->setGeometry(0, kClientHeight - kStatusBarHeight, kClientWidth, kStatusBarHeight);
    m_statusBar1->setCursor(Qt::WhatsThisCursor);
    m_statusBar1->setToolTip(QStringLiteral("Индикатор"));
    m_statusBar1->setPanelText(2, QStringLiteral("Режим Cpu\\User"));
    keepColoursWhenDisabled(m_statusBar1);  // readable behind a secondary window
}

void TForm1::setupTimer(QTimer& timer, const char* name, int interval) {
    timer.setObjectName(QString::fromLatin1(name));
    timer.setInterval(interval);
}

void TForm1::createTimers() {
    setupTimer(m_timer1, "Timer1", kPollBackstop);            // UI polling
    setupTimer(m_timer2, "Timer2", 1000);                     // idle remarks
    setupTimer(m_timer3, "Timer3", kAsOftenAsPossible);       // start-up load, once
    setupTimer(m_timer4, "Timer4", kClosingStep);             // closing animation
    setupTimer(m_timer5, "Timer5", kAsOftenAsPossible);       // input guard
    setupTimer(m_timer6, "Timer6", 3000);                     // Cpu\Cpu tick
    setupTimer(m_timer7, "Timer7", kAsOftenAsPossible);       // shake animation
    setupTimer(m_timer8, "Timer8", 1000);                     // knowledge statistics
    setupTimer(m_timer9, "Timer9", 1000);                     // afterthought
    m_pollSoon.setObjectName(QStringLiteral("Timer1Wake"));
    m_pollSoon.setSingleShot(true);
    m_pollSoon.setInterval(0);

    connect(&m_timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
    connect(&m_timer2, &QTimer::timeout, this, &TForm1::Timer2Timer);
    connect(&m_timer3, &QTimer::timeout, this, &TForm1::Timer3Timer);
    connect(&m_timer4, &QTimer::timeout, this, &TForm1::Timer4Timer);
    connect(&m_timer5, &QTimer::timeout, this, &TForm1::Timer5Timer);
    connect(&m_timer6, &QTimer::timeout, this, &TForm1::Timer6Timer);
    connect(&m_timer7, &QTimer::timeout, this, &TForm1::Timer7Timer);
    connect(&m_timer8, &QTimer::timeout, this, &TForm1::Timer8Timer);
    connect(&m_timer9, &QTimer::timeout, this, &TForm1::Timer9Timer);
    connect(&m_pollSoon, &QTimer::timeout, this, [this] {
        if (m_timer1.isActive()) Timer1Timer();
    });
    // The polling also moves the focus, so a focus change elsewhere wakes it.
    connect(qApp, &QApplication::focusChanged, this, &TForm1::requestPoll);
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

void TForm1::applyInputFont() { m_edit1->setFont(m_appearance.inputFont.toQFont()); }

QString TForm1::statusText(int panel) const { return m_statusBar1->panelText(panel); }

void TForm1::setStatusText(int panel, const QString& text) { m_statusBar1->setPanelText(panel, text); }

void TForm1::playSound(int player) { m_sound.play(player); }

void TForm1::suspendPolling() {
    m_timer1.stop();
    m_pollSoon.stop();
}

void TForm1::resumePolling() {
    setEnabled(true);
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

void TForm1::requestPoll() {
    if (m_timer1.isActive() && !m_pollSoon.isActive()) m_pollSoon.start();
}

void TForm1::syncView() {
    const std::vector<ViewLine>& lines = m_engine.view();
    std::size_t same = 0;
    while (same < m_shown.size() && same < lines.size() && m_shown[same] == lines[same]) ++same;
    if (same == 0 && !m_shown.empty()) {
        m_richEdit1->clearLines();
        m_shown.clear();
    }
    while (m_shown.size() > same) {
        m_richEdit1->removeLastLine();
        m_shown.pop_back();
    }
    for (std::size_t i = same; i < lines.size(); ++i) {
        appendViewLine(lines[i]);
        m_shown.push_back(lines[i]);
    }
    requestPoll();
}

void TForm1::appendViewLine(const ViewLine& line) {
    // Each kind sets some of the current attributes (colour, face, size, style, in
    // that order) and leaves the others as they are.
    TextAttributes& current = m_appearance.current;
    switch (line.kind) {
    case LineKind::User:
        current.colour = m_appearance.user;
        current.font = m_appearance.userFont;
        break;
    case LineKind::Cpu:
        current.colour = m_appearance.cpu;
        current.font = m_appearance.cpuFont;
        break;
    case LineKind::Remark:
        current.colour = m_appearance.general;
        break;
    case LineKind::Service:
    case LineKind::Empty:
        current.colour = Appearance::kServiceColour;
        break;
    }
    m_richEdit1->appendLine(fromCp1251(line.text), current);
}

void TForm1::showFailure(const std::exception& error) { showMessage(this, fromCp1251(error.what())); }

// ---- Events ---------------------------------------------------------------------

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    // The menu's shortcuts come before the input line's own keys (Ctrl+Z would
    // otherwise undo typing in the line), but only while their items are enabled.
    if (watched == m_edit1 && event->type() == QEvent::ShortcutOverride) {
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
        m_talk->click();
        event->accept();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_centred) return;
    m_centred = true;
    centreOnDesktop();
}

// ---- Handlers -------------------------------------------------------------------

void TForm1::FormCreate() {
    // Nothing uses this first copy of the knowledge base; a missing file is reported
    // once, by the start-up load that follows at once.
    try {
        m_engine.formCreate();
    } catch (const cpuchat::FileError&) {
    }
}

void TForm1::enableSendingByText() {
    const bool hasText = !m_edit1->text().isEmpty();
    m_speedButton1->setEnabled(hasText);
    m_speedButton3->setEnabled(hasText);
    m_talk->setEnabled(hasText);
}

void TForm1::Timer1Timer() {
    enableSendingByText();
    const bool hasLines = m_richEdit1->lineCount() > 0;
    m_speedButton2->setEnabled(hasLines);
    m_n15->setEnabled(hasLines);
    // Switching a running timer on again must not restart its countdown.
    if (m_cpu31->isChecked()) {
        if (!m_timer6.isActive()) m_timer6.start();
    } else {
        m_timer6.stop();
    }
    m_edit1->setFocus();
}

void TForm1::Timer3Timer() {
    // Stopped first: a message box below runs the event loop, and the load runs once.
    m_timer3.stop();
    setStatusText(0, kLoading);
    m_edit1->setReadOnly(true);
    m_speedButton1->setEnabled(false);
    QString counts;
    try {
        counts = fromCp1251(m_engine.startupLoad());
    } catch (const std::exception& error) {
        // Without a knowledge base the window stays usable: each Say then reports
        // the missing file. The load is not tried again.
        m_edit1->setReadOnly(false);
        m_speedButton1->setEnabled(true);
        setStatusText(0, QString());  // not "loading" for ever
        requestPoll();
        showFailure(error);
        return;
    }
    setStatusText(1, counts);
    m_edit1->setReadOnly(false);
    m_speedButton1->setEnabled(true);
    setStatusText(0, kLoaded);
    requestPoll();
}

void TForm1::Timer9Timer() {
    std::optional<std::string> line;
    try {
        line = m_engine.afterthoughtTick();
    } catch (const std::exception& error) {
        showFailure(error);
        return;
    }
    if (!line) return;
    {
        BusyPointer busy;
        playSound(5);
        syncView();
    }
    m_timer9.stop();
}

void TForm1::SpeedButton1Click() {
    const Mode mode = this->mode();
    const std::string input = toCp1251(m_edit1->text());
    const std::string source = mode == Mode::CpuCpu ? toCp1251(editorPath()) : std::string();
    SayResult result;
    {
        // Restored also after a failure, so the pointer never stays busy.
        BusyPointer busy;
        try {
            result = m_engine.say(mode, input, source);
        } catch (const std::exception& error) {
            result.failure = error.what();
        }
        if (result.ran) {
            playSound(2);
            if (result.replyShown) playSound(5);
        }
        syncView();
        if (result.closing) *result.closing ? m_timer4.start() : m_timer4.stop();
        if (result.afterthought) *result.afterthought ? m_timer9.start() : m_timer9.stop();
    }
    if (result.failure) {
        reportFailure(m_sayFailures, fromCp1251(*result.failure));
    } else if (m_sayFailures) {
        m_sayFailures->forget();
    }
    if (result.completed) m_edit1->clear();
    requestPoll();
}

void TForm1::SpeedButton2Click() {
    m_engine.undo();
    syncView();
    m_timer7.start();
}

void TForm1::TalkClick() { SpeedButton1Click(); }

void TForm1::Edit1Change() {
    playSound(1);
    wakeInputGuard();
    // At once, not at the next polling tick: keys typed while a Say held the window
    // up come in one batch after it, and each Enter among them must find Talk as the
    // text before it leaves it, or it is lost and two phrases run into one.
    enableSendingByText();
    requestPoll();
}

void TForm1::N2Click() {
    m_engine.newDialogue();
    syncView();
    m_edit1->clear();
    m_timer7.start();
}

void TForm1::N4Click() { exitProgram(nullptr); }

void TForm1::N15Click() { SpeedButton2Click(); }

}  // namespace cpuchat
