#include "app/main_window.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <cstdio>

#include "app/about_form.h"
#include "forms/contraption_form.h"
#include "app/directory_selection_form.h"
#include "document/document.h"
#include "document/document_controller.h"
#include "app/document_queries_qt.h"
#include "document/file_paths.h"
#include "controls/glyphs.h"
#include "app/help_viewer.h"
#include "app/pattern_to_wave_form.h"
#include "forms/patterned_scroll_box.h"
#include "app/progress_form.h"
#include "document/reload_manager.h"
#include "document/remembered_directories.h"
#include "app/settings_form.h"
#include "document/sound_file_references.h"
#include "controls/meter.h"
#include "controls/patcher_panel.h"
#include "controls/validated_edit.h"
#include "framework/contraption.h"
#include "framework/contraption_factory.h"
#include "framework/contraption_maker.h"
#include "framework/message_box.h"
#include "host/audio_engine_module.h"
#include "host/wave_errors.h"
#include "platform/settings/settings_store.h"
#include "signal/context.h"

namespace {

const char* const kMainWindowKey = "Main Window";
constexpr int kSplitterWidth = 3;
// Contraption windows sit on a 10-pixel grid; new ones keep a little
// room from their neighbours.
constexpr int kFormGrid = 10;
constexpr int kFormGap = 4;

QString VolumeControlProgram() {
    return QStandardPaths::findExecutable(QStringLiteral("pavucontrol"));
}

TQuorlingContraption* ContraptionOf(const VXPatcherNode* node) {
    return node != nullptr ? static_cast<TQuorlingContraption*>(node->data) : nullptr;
}

// Space for the audio output, wherever the keyboard is not typing or
// pressing a button in the main window. Application-wide, because the key
// goes to whichever control has the focus.
class TSpaceKeyFilter : public QObject {
public:
    TSpaceKeyFilter(QWidget* window, std::function<void()> toggle)
        : QObject(window), window(window), toggle(std::move(toggle)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Space || key->modifiers() != Qt::NoModifier ||
            key->isAutoRepeat())
            return false;
        QWidget* focus = QApplication::focusWidget();
        const QWidget* top = focus != nullptr ? focus->window() : QApplication::activeWindow();
        // A key press passes the filter once for each widget it propagates
        // through; only its first receiver counts.
        const QObject* first = focus != nullptr ? static_cast<QObject*>(focus) : top;
        if (top != window || watched != first || TakesSpace(focus))
            return false;
        toggle();
        return true;
    }

private:
    static bool TakesSpace(const QWidget* w) {
        if (w == nullptr)
            return false;
        if (qobject_cast<const QAbstractButton*>(w) != nullptr ||
            qobject_cast<const QLineEdit*>(w) != nullptr ||
            qobject_cast<const QTextEdit*>(w) != nullptr ||
            qobject_cast<const QPlainTextEdit*>(w) != nullptr ||
            qobject_cast<const QAbstractSpinBox*>(w) != nullptr ||
            qobject_cast<const QComboBox*>(w) != nullptr)
            return true;
        // A combo box's list and editor are its children.
        for (const QWidget* p = w->parentWidget(); p != nullptr; p = p->parentWidget())
            if (qobject_cast<const QComboBox*>(p) != nullptr)
                return true;
        return false;
    }

    QWidget* window;
    std::function<void()> toggle;
};

} // namespace

// --- command line ---

TCommandLine ParseCommandLine(const QStringList& arguments) {
    TCommandLine result;
    bool haveDocument = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        bool bad = false;
        // Absolute paths begin with "/" here too: a switch is a single word
        // after the "/" that does not name a file.
        const bool isSwitch =
            arg.startsWith('/') && !arg.mid(1).contains('/') && !QFileInfo(arg).isFile();
        if (!isSwitch) {
            if (haveDocument) {
                bad = true;
            } else {
                haveDocument = true;
                const QFileInfo info(arg);
                // Absolute from here on: dialogs, the recent files and the
                // pattern render all resolve it from other directories.
                if (info.exists() && info.isFile())
                    result.documentPath = ODAbsolutePath(arg.toStdString());
            }
        } else {
            const QString sw = arg.mid(1).toUpper();
            if (sw == QLatin1String("STARTDACS"))
                result.startDACs = true;
            else if (sw == QLatin1String("STARTADCS"))
                result.startADCs = true;
            else if (sw == QLatin1String("STARTCLOCK"))
                result.startClock = true;
            else
                bad = true;
        }
        if (bad) {
            result.error = QStringLiteral("Bad command line parameter number %1: \"%2\"")
                               .arg(i + 1)
                               .arg(arg)
                               .toStdString();
            break;
        }
    }
    return result;
}

// --- small controls ---

TUpDown::TUpDown(QWidget* parent) : QWidget(parent) {
    setFixedSize(16, 22);
    UpButton = new QToolButton(this);
    UpButton->setObjectName("UpButton");
    UpButton->setArrowType(Qt::UpArrow);
    UpButton->setGeometry(0, 0, 16, 11);
    UpButton->setAutoRepeat(true);
    DownButton = new QToolButton(this);
    DownButton->setObjectName("DownButton");
    DownButton->setArrowType(Qt::DownArrow);
    DownButton->setGeometry(0, 11, 16, 11);
    DownButton->setAutoRepeat(true);
    for (QToolButton* b : {UpButton, DownButton})
        b->setFocusPolicy(Qt::NoFocus);
    connect(UpButton, &QToolButton::clicked, this, [this] {
        if (position < Max)
            emit Stepped(++position);
    });
    connect(DownButton, &QToolButton::clicked, this, [this] {
        if (position > Min)
            emit Stepped(--position);
    });
}

void TUpDown::SetPosition(int p) {
    position = std::clamp(p, Min, Max);
}

TWinSplit::TWinSplit(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::SplitHCursor);
}

void TWinSplit::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    splitting = true;
    pressX = static_cast<int>(event->globalPosition().x());
    // The moving position shows as a line as wide as the splitter.
    line = new QWidget(parentWidget());
    line->setAutoFillBackground(true);
    QPalette pal = line->palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Dark));
    line->setPalette(pal);
    line->setGeometry(geometry());
    line->show();
    line->raise();
    emit BeginSplit();
}

void TWinSplit::mouseMoveEvent(QMouseEvent* event) {
    if (!splitting)
        return;
    const int dx = static_cast<int>(event->globalPosition().x()) - pressX;
    if (line != nullptr)
        line->move(x() + dx, y());
    emit MoveSplit(dx);
}

void TWinSplit::mouseReleaseEvent(QMouseEvent* event) {
    if (!splitting || event->button() != Qt::LeftButton)
        return;
    splitting = false;
    delete line;
    line = nullptr;
    emit EndSplit(static_cast<int>(event->globalPosition().x()) - pressX);
}

void TWinSplit::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Button));
    p.fillRect(0, 0, 1, height(), palette().color(QPalette::Light));
    p.fillRect(width() - 1, 0, 1, height(), palette().color(QPalette::Mid));
}

TStatusPanel::TStatusPanel(QWidget* parent) : QWidget(parent) {
    setFixedWidth(110);
}

void TStatusPanel::paintEvent(QPaintEvent*) {
    if (!drawn)
        return;
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Button));
    red = takeUnderrun && takeUnderrun();
    p.setPen(red ? QColor(Qt::red) : palette().color(QPalette::ButtonText));
    p.drawText(rect().adjusted(2, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop, text);
}

// --- the window ---

TMainForm::TMainForm(TAudioEngineModule& e, TSettingsStore& s, TContraptionFactory& f,
                     const QStringList& arguments)
    : QMainWindow(nullptr), engine(e), settings(s), factory(f) {
    setObjectName("MainForm");
    commandLine = ParseCommandLine(arguments);
    if (commandLine.error)
        QMessageBox::warning(nullptr, QStringLiteral("Ondrafel Command Line Error"),
                             QString::fromStdString(*commandLine.error));
    queries = std::make_unique<ODDocumentQueries>(this);
    document = std::make_unique<ODDocument>(*this, engine);
    controller = std::make_unique<VXDocumentController>(*queries, *document);
    reloadManager = std::make_unique<VXReloadManager>(settings, ODClosedFilesKey);
    LoadSearchDirectories(settings);

    CreatePanes();
    CreateToolbar();
    CreateMenus();

    UIUpdateTimer = new QTimer(this);
    UIUpdateTimer->setObjectName("UIUpdateTimer");
    UIUpdateTimer->setInterval(1000);
    connect(UIUpdateTimer, &QTimer::timeout, this, &TMainForm::UIUpdateTimerTimer);
    MeterUpdateTimer = new QTimer(this);
    MeterUpdateTimer->setObjectName("MeterUpdateTimer");
    MeterUpdateTimer->setInterval(50);
    connect(MeterUpdateTimer, &QTimer::timeout, this, &TMainForm::MeterUpdateTimerTimer);

    StatusBar = statusBar();
    StatusBar->setObjectName("StatusBar");
    StatusBar->setSizeGripEnabled(true);
    StatusPanel0 = new TStatusPanel(StatusBar);
    StatusPanel0->setObjectName("StatusPanel0");
    StatusPanel0->takeUnderrun = [this] { return engine.TakeUnderrunFlag(); };
    StatusPanel1 = new QLabel(StatusBar);
    StatusPanel1->setObjectName("StatusPanel1");
    StatusPanel1->setFixedWidth(500);
    StatusBar->addWidget(StatusPanel0);
    StatusBar->addWidget(StatusPanel1);

    ProgressForm = new TProgressForm(this);
    Pattern2WaveForm = new TPattern2WaveForm(engine, *ProgressForm, this);
    DirectorySelectionForm = new TDirectorySelectionForm(this);
    SettingsForm = new TSettingsForm(engine, *DirectorySelectionForm, this);
    AboutForm = new TAboutForm(this);
    HelpViewer = new THelpViewer(this);
    TContraptionForm::ShowHelp = [this](int helpContext) { HelpViewer->ShowContext(helpContext); };
    ViewVolumeControlItem->setEnabled(!VolumeControlProgram().isEmpty());

    // The "*" of unsaved changes follows edits made in any window; the
    // modified marks are only read, so a short poll is enough.
    captionTimer = new QTimer(this);
    captionTimer->setInterval(250);
    connect(captionTimer, &QTimer::timeout, this, &TMainForm::ShowCaption);
    captionTimer->start();
    spaceKeyFilter = new TSpaceKeyFilter(this, [this] { ToggleAudioOut(); });
    qApp->installEventFilter(spaceKeyFilter);

    factory.formParent = ScrollBox;
    UpdateTransportControls();
    resize(900, 600);
    UpdateCaption();
    FormCreate();
}

TMainForm::~TMainForm() {
    qApp->removeEventFilter(spaceKeyFilter);
    // The pane's own destructor would report its nodes to a window that is
    // already gone; the patch is taken down here, devices first.
    try {
        engine.StopAudioOut();
    } catch (...) {
    }
    try {
        engine.StopAudioIn();
    } catch (...) {
    }
    ClearPatcher();
    PatcherPanel->disconnect(this);
    SavePlacement();
    factory.formParent = nullptr;
    TContraptionForm::ShowHelp = nullptr;
    reloadManager.reset();
}

void TMainForm::CreatePanes() {
    ClientPanel = new QWidget(this);
    ClientPanel->setObjectName("ClientPanel");
    ClientPanel->installEventFilter(this);
    setCentralWidget(ClientPanel);

    Panel2 = new QWidget(ClientPanel);
    Panel2->setObjectName("Panel2");
    PatcherPanel = new VXPatcherPanel(Panel2);
    PatcherPanel->setObjectName("PatcherPanel");
    PatcherPanel->SetBorderStyle(VXScrollingCanvas::bsSingle);
    Panel2->installEventFilter(this);

    WinSplit1 = new TWinSplit(ClientPanel);
    WinSplit1->setObjectName("WinSplit1");
    connect(WinSplit1, &TWinSplit::EndSplit, this, [this](int dx) {
        const int max = WinSplit1->MaxSize != 0 ? WinSplit1->MaxSize : 1 << 30;
        patcherWidth = std::clamp(patcherWidth + dx, WinSplit1->MinSize, std::max(max, 30));
        preferredPatcherWidth = patcherWidth;
        LayoutPanes();
    });

    ScrollBox = new TPatternedScrollBox(ClientPanel);
    ScrollBox->setObjectName("ScrollBox");
    ScrollBox->SetTile(MakePropertiesPaneTile(palette()));
    ScrollBox->SetTileShiftPercent(50.0f);

    PatcherPopup = new QMenu(this);
    PatcherPopup->setObjectName("PatcherPopup");
    PatcherEditItem = PatcherPopup->addAction(QStringLiteral("Edit"));
    PatcherEditItem->setObjectName("PatcherEditItem");
    PatcherEditItem->setEnabled(false);
    PatcherPopup->setDefaultAction(PatcherEditItem);
    PatcherPopup->addSeparator();
    PatcherDeleteItem = PatcherPopup->addAction(QStringLiteral("Delete"));
    PatcherDeleteItem->setObjectName("PatcherDeleteItem");
    PatcherDeleteItem->setEnabled(false);
    PatcherPopup->addSeparator();
    PatcherNewMenu = PatcherPopup->addMenu(QStringLiteral("New"));
    PatcherNewMenu->setObjectName("PatcherNewMenu");
    PatcherPanel->PopupMenu = PatcherPopup;
    connect(PatcherEditItem, &QAction::triggered, this, &TMainForm::PatcherEditItemClick);
    connect(PatcherDeleteItem, &QAction::triggered, this, &TMainForm::PatcherDeleteItemClick);

    connect(PatcherPanel, &VXPatcherPanel::OnMouseDown, this, &TMainForm::PatcherPanelMouseDown);
    connect(PatcherPanel, &VXPatcherPanel::OnDblClick, this, &TMainForm::PatcherPanelDblClick);
    connect(PatcherPanel, &VXPatcherPanel::OnCreateConnection, this,
            &TMainForm::PatcherPanelCreateConnection, Qt::DirectConnection);
    connect(PatcherPanel, &VXPatcherPanel::OnDeleteConnection, this,
            &TMainForm::PatcherPanelDeleteConnection, Qt::DirectConnection);
    connect(PatcherPanel, &VXPatcherPanel::OnDeleteNode, this, &TMainForm::PatcherPanelDeleteNode,
            Qt::DirectConnection);
}

void TMainForm::CreateToolbar() {
    SpeedPanel = addToolBar(QStringLiteral("Toolbar"));
    SpeedPanel->setObjectName("SpeedPanel");
    SpeedPanel->setMovable(false);
    SpeedPanel->setFloatable(false);
    SpeedPanel->setIconSize(QSize(16, 16));
    // No fixed height: on a narrow window the toolbar's "»" button shows
    // what does not fit in extra rows, which a fixed height would cut off.
    SpeedPanel->setMinimumHeight(30);
    SpeedPanel->setContextMenuPolicy(Qt::PreventContextMenu);

    const auto button = [this](const char* name, const char* glyph, const QString& hint) {
        auto* b = new QToolButton(SpeedPanel);
        b->setObjectName(name);
        b->setIcon(Glyph(QString::fromLatin1(glyph)));
        b->setToolTip(hint);
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };
    QToolButton* newButton = button("NewButton", "NEW", QStringLiteral("Create a new file"));
    QToolButton* openButton = button("OpenButton", "OPEN", QStringLiteral("Open an existing file"));
    QToolButton* saveButton = button("SaveButton", "SAVE", QStringLiteral("Save current file"));
    connect(newButton, &QToolButton::clicked, this, &TMainForm::FileNewItemClick);
    connect(openButton, &QToolButton::clicked, this, &TMainForm::FileOpenItemClick);
    connect(saveButton, &QToolButton::clicked, this, &TMainForm::FileSaveItemClick);
    for (QToolButton* b : {newButton, openButton, saveButton})
        SpeedPanel->addWidget(b);
    SpeedPanel->addSeparator();
    for (auto [name, glyph, hint] : {std::tuple{"CutButton", "CUT", "Cut to clipboard"},
                                     std::tuple{"CopyButton", "COPY", "Copy to clipboard"},
                                     std::tuple{"PasteButton", "PASTE", "Paste from clipboard"},
                                     std::tuple{"UndoButton", "UNDO", "Undo"}}) {
        QToolButton* b = button(name, glyph, QString::fromLatin1(hint));
        b->setEnabled(false);
        SpeedPanel->addWidget(b);
    }

    auto* spacer = new QWidget(SpeedPanel);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    SpeedPanel->addWidget(spacer);

    auto* transport = new QWidget(SpeedPanel);
    transport->setObjectName("TransportPanel");
    transport->setFixedWidth(469);
    auto* row = new QHBoxLayout(transport);
    row->setContentsMargins(0, 0, 4, 0);
    row->setSpacing(2);
    StartClockButton = button("StartClockButton", "PLAY", QStringLiteral("Start Clock"));
    StopClockButton = button("StopClockButton", "STOP", QStringLiteral("Stop Clock"));
    StopClockButton->setEnabled(false);
    connect(StartClockButton, &QToolButton::clicked, this, &TMainForm::StartClockButtonClick);
    connect(StopClockButton, &QToolButton::clicked, this, &TMainForm::StopClockButtonClick);
    TimecodePanel = new QLabel(QStringLiteral("000:0"), transport);
    TimecodePanel->setObjectName("TimecodePanel");
    TimecodePanel->setToolTip(QStringLiteral("Bar Number : Beat"));
    TimecodePanel->setFrameShape(QFrame::Panel);
    TimecodePanel->setFrameShadow(QFrame::Sunken);
    TimecodePanel->setAlignment(Qt::AlignCenter);
    TimecodePanel->setFixedSize(56, 22);
    QFont bold = TimecodePanel->font();
    bold.setBold(true);
    TimecodePanel->setFont(bold);
    TempoEdit = new QLineEdit(QStringLiteral("120"), transport);
    TempoEdit->setObjectName("TempoEdit");
    TempoEdit->setToolTip(QStringLiteral("Tempo (bpm)"));
    TempoEdit->setFixedSize(36, 22);
    // Refusals show in the field; the next key still goes into it.
    tempoCheck = new VXValidatedEdit(TempoEdit);
    TempoUpDown = new TUpDown(transport);
    TempoUpDown->setObjectName("TempoUpDown");
    TempoUpDown->setToolTip(QStringLiteral("Tempo (bpm)"));
    connect(TempoEdit, &QLineEdit::textChanged, this, &TMainForm::TempoEditChange);
    connect(TempoUpDown, &TUpDown::Stepped, this,
            [this](int p) { TempoEdit->setText(QString::number(p)); });
    ADCsSpeedButton = button("ADCsSpeedButton", "ADCS", QStringLiteral("Start Audio In"));
    ADCsSpeedButton->setCheckable(true);
    ADCsSpeedButton->setEnabled(false);
    DACsSpeedButton = button("DACsSpeedButton", "DACS", QStringLiteral("Start Audio Out"));
    DACsSpeedButton->setCheckable(true);
    DACsSpeedButton->setEnabled(false);
    connect(ADCsSpeedButton, &QToolButton::clicked, this, &TMainForm::ADCsSpeedButtonClick);
    connect(DACsSpeedButton, &QToolButton::clicked, this, &TMainForm::DACsSpeedButtonClick);

    const auto meter = [transport](const char* name, const QString& hint) {
        auto* m = new VXDWMeter(transport);
        m->setObjectName(name);
        m->SetOrientation(trHorizontal);
        m->SetSegmentCount(13);
        m->SetChannelCount(2);
        m->setToolTip(hint);
        m->setFixedSize(64, 18);
        return m;
    };
    InputMeter = meter("InputMeter", QStringLiteral("Input VU Meters"));
    OutputMeter = meter("OutputMeter", QStringLiteral("Output VU Meters"));

    row->addWidget(StartClockButton);
    row->addWidget(StopClockButton);
    row->addSpacing(4);
    row->addWidget(TimecodePanel);
    row->addSpacing(4);
    row->addWidget(TempoEdit);
    row->addWidget(TempoUpDown);
    row->addSpacing(6);
    row->addWidget(ADCsSpeedButton);
    row->addWidget(DACsSpeedButton);
    row->addSpacing(6);
    row->addWidget(new QLabel(QStringLiteral("Input:"), transport));
    row->addWidget(InputMeter);
    row->addSpacing(4);
    row->addWidget(new QLabel(QStringLiteral("Output:"), transport));
    row->addWidget(OutputMeter);
    SpeedPanel->addWidget(transport);
}

void TMainForm::CreateMenus() {
    QMenuBar* bar = menuBar();
    const auto item = [this](QMenu* menu, const char* name, const QString& caption,
                             const QKeySequence& key = {}, const QString& hint = {}) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(name);
        if (!key.isEmpty())
            a->setShortcut(key);
        if (!hint.isEmpty())
            a->setStatusTip(hint);
        return a;
    };

    FileMenu = bar->addMenu(QStringLiteral("&File"));
    FileMenu->setObjectName("FileMenu");
    FileMenu->menuAction()->setStatusTip(QStringLiteral("File related commands"));
    FileNewItem = item(FileMenu, "FileNewItem", QStringLiteral("&New"), QKeySequence("Ctrl+N"),
                       QStringLiteral("Create a new file"));
    FileOpenItem = item(FileMenu, "FileOpenItem", QStringLiteral("&Open..."),
                        QKeySequence("Ctrl+O"), QStringLiteral("Open an existing file"));
    FileReopenMenu = FileMenu->addMenu(QStringLiteral("&Reopen"));
    FileReopenMenu->setObjectName("FileReopenMenu");
    FileRevertItem = item(FileMenu, "FileRevertItem", QStringLiteral("Revert"), {},
                          QStringLiteral("Revert current file"));
    FileMenu->addSeparator();
    FileSaveItem = item(FileMenu, "FileSaveItem", QStringLiteral("&Save"), QKeySequence("Ctrl+S"),
                        QStringLiteral("Save current file"));
    FileSaveAsItem = item(FileMenu, "FileSaveAsItem", QStringLiteral("Save &As..."), {},
                          QStringLiteral("Save current file as..."));
    FileSavePatternItem =
        item(FileMenu, "FileSavePatternItem", QStringLiteral("Save &Pattern as Wave File..."));
    FileMenu->addSeparator();
    FileExitItem = item(FileMenu, "FileExitItem", QStringLiteral("E&xit"), QKeySequence("Ctrl+Q"),
                        QStringLiteral("Exit the application"));
    connect(FileMenu, &QMenu::aboutToShow, this, &TMainForm::FileMenuPopup);
    connect(FileNewItem, &QAction::triggered, this, &TMainForm::FileNewItemClick);
    connect(FileOpenItem, &QAction::triggered, this, &TMainForm::FileOpenItemClick);
    connect(FileRevertItem, &QAction::triggered, this, &TMainForm::FileRevertItemClick);
    connect(FileSaveItem, &QAction::triggered, this, &TMainForm::FileSaveItemClick);
    connect(FileSaveAsItem, &QAction::triggered, this, &TMainForm::FileSaveAsItemClick);
    connect(FileSavePatternItem, &QAction::triggered, this, &TMainForm::FileSavePatternItemClick);
    connect(FileExitItem, &QAction::triggered, this, &TMainForm::FileExitItemClick);

    EditMenu = bar->addMenu(QStringLiteral("&Edit"));
    EditMenu->setObjectName("EditMenu");
    EditCutItem = item(EditMenu, "EditCutItem", QStringLiteral("Cu&t"), QKeySequence("Ctrl+X"),
                       QStringLiteral("Cut to clipboard"));
    EditCopyItem = item(EditMenu, "EditCopyItem", QStringLiteral("&Copy"), QKeySequence("Ctrl+C"),
                        QStringLiteral("Copy to clipboard"));
    EditPasteItem = item(EditMenu, "EditPasteItem", QStringLiteral("&Paste"),
                         QKeySequence("Ctrl+V"), QStringLiteral("Paste from clipboard"));
    EditMenu->addSeparator();
    EditClearItem = item(EditMenu, "EditClearItem", QStringLiteral("Cle&ar"));
    EditSelectAllItem =
        item(EditMenu, "EditSelectAllItem", QStringLiteral("Select A&ll"), QKeySequence("Ctrl+A"));
    for (QAction* a :
         {EditCutItem, EditCopyItem, EditPasteItem, EditClearItem, EditSelectAllItem}) {
        a->setEnabled(false);
        // The menu's shortcuts must not take the keys from the patcher,
        // which handles Ctrl+A and Delete itself (and from text fields).
        a->setShortcutContext(Qt::WidgetShortcut);
    }
    connect(EditMenu, &QMenu::aboutToShow, this, &TMainForm::EditMenuPopup);
    connect(EditClearItem, &QAction::triggered, this, &TMainForm::EditClearItemClick);
    connect(EditSelectAllItem, &QAction::triggered, this, &TMainForm::EditSelectAllItemClick);
    EditMenu->addSeparator();
    EditSettingsItem = item(EditMenu, "EditSettingsItem", QStringLiteral("&Settings..."),
                            QKeySequence(Qt::Key_F4));
    connect(EditSettingsItem, &QAction::triggered, this, &TMainForm::EditSettingsItemClick);

    ViewMenu = bar->addMenu(QStringLiteral("&View"));
    ViewMenu->setObjectName("ViewMenu");
    ViewToolbarItem = item(ViewMenu, "ViewToolbarItem", QStringLiteral("&Toolbar"));
    ViewStatusBarItem = item(ViewMenu, "ViewStatusBarItem", QStringLiteral("&Status Bar"));
    ViewMenu->addSeparator();
    ViewPatcherPaneItem = item(ViewMenu, "ViewPatcherPaneItem", QStringLiteral("&Patcher Pane"));
    ViewPropertiesPaneItem =
        item(ViewMenu, "ViewPropertiesPaneItem", QStringLiteral("P&roperties Pane"));
    ViewMenu->addSeparator();
    ViewVolumeControlItem =
        item(ViewMenu, "ViewVolumeControlItem", QStringLiteral("&Volume Control"));
    for (QAction* a :
         {ViewToolbarItem, ViewStatusBarItem, ViewPatcherPaneItem, ViewPropertiesPaneItem}) {
        a->setCheckable(true);
        a->setChecked(true);
    }
    connect(ViewMenu, &QMenu::aboutToShow, this, &TMainForm::ViewMenuPopup);
    connect(ViewToolbarItem, &QAction::triggered, this, &TMainForm::ViewToolbarItemClick);
    connect(ViewStatusBarItem, &QAction::triggered, this, &TMainForm::ViewStatusBarItemClick);
    connect(ViewPatcherPaneItem, &QAction::triggered, this, &TMainForm::ViewPatcherPaneItemClick);
    connect(ViewPropertiesPaneItem, &QAction::triggered, this,
            &TMainForm::ViewPropertiesPaneItemClick);
    connect(ViewVolumeControlItem, &QAction::triggered, this,
            &TMainForm::ViewVolumeControlItemClick);

    ControlMenu = bar->addMenu(QStringLiteral("&Control"));
    ControlMenu->setObjectName("ControlMenu");
    ControlStartClockItem =
        item(ControlMenu, "ControlStartClockItem", QStringLiteral("Start &Clock"));
    ControlStopClockItem = item(ControlMenu, "ControlStopClockItem", QStringLiteral("Stop C&lock"));
    ControlMenu->addSeparator();
    ControlStartAudioOutItem =
        item(ControlMenu, "ControlStartAudioOutItem", QStringLiteral("Start Audio &Out"));
    ControlStopAudioOutItem =
        item(ControlMenu, "ControlStopAudioOutItem", QStringLiteral("Stop Audio O&ut"));
    ControlMenu->addSeparator();
    ControlStartAudioInItem =
        item(ControlMenu, "ControlStartAudioInItem", QStringLiteral("Start Audio &In"));
    ControlStopAudioInItem =
        item(ControlMenu, "ControlStopAudioInItem", QStringLiteral("Stop Audio I&n"));
    ControlUseInputFileItem =
        item(ControlMenu, "ControlUseInputFileItem", QStringLiteral("Use Input &File"));
    ControlUseInputFileItem->setCheckable(true);
    connect(ControlStartClockItem, &QAction::triggered, this, &TMainForm::StartClockButtonClick);
    connect(ControlStopClockItem, &QAction::triggered, this, &TMainForm::StopClockButtonClick);
    connect(ControlStartAudioOutItem, &QAction::triggered, this,
            &TMainForm::ControlStartAudioOutItemClick);
    connect(ControlStopAudioOutItem, &QAction::triggered, this,
            &TMainForm::ControlStopAudioOutItemClick);
    connect(ControlStartAudioInItem, &QAction::triggered, this,
            &TMainForm::ControlStartAudioInItemClick);
    connect(ControlStopAudioInItem, &QAction::triggered, this,
            &TMainForm::ControlStopAudioInItemClick);
    connect(ControlUseInputFileItem, &QAction::triggered, this,
            &TMainForm::ControlUseInputFileItemClick);

    HelpMenu = bar->addMenu(QStringLiteral("&Help"));
    HelpMenu->setObjectName("HelpMenu");
    HelpMenu->menuAction()->setStatusTip(QStringLiteral("Help topics"));
    HelpTopicsItem =
        item(HelpMenu, "HelpTopicsItem", QStringLiteral("&Help Topics"), QKeySequence(Qt::Key_F1));
    HelpMenu->addSeparator();
    HelpAboutItem = item(HelpMenu, "HelpAboutItem", QStringLiteral("&About Ondrafel"));
    connect(HelpTopicsItem, &QAction::triggered, this, &TMainForm::HelpTopicsItemClick);
    connect(HelpAboutItem, &QAction::triggered, this, &TMainForm::HelpAboutItemClick);
}

void TMainForm::BuildNewMenu() {
    PatcherNewMenu->clear();
    for (const char* group :
         {"I/O", "Signal Generators", "Effects", "Filters", "Mixers", "Busses"}) {
        QMenu* sub = PatcherNewMenu->addMenu(QString::fromLatin1(group));
        sub->setObjectName(QString::fromLatin1(group));
    }
    for (TContraptionMaker* maker : factory.makers) {
        QMenu* target = PatcherNewMenu;
        const QString category = QString::fromUtf8(maker->category);
        if (!category.isEmpty()) {
            target = nullptr;
            for (QAction* a : PatcherNewMenu->actions())
                if (a->menu() != nullptr && a->text() == category) {
                    target = a->menu();
                    break;
                }
            if (target == nullptr) {
                target = PatcherNewMenu->addMenu(category);
                target->setObjectName(category);
            }
        }
        QAction* a = target->addAction(QString::fromUtf8(maker->typeName));
        a->setObjectName(QString::fromUtf8(maker->typeName));
        a->setData(QVariant::fromValue(static_cast<void*>(maker)));
        connect(a, &QAction::triggered, this, [this, maker] { CreateContraptionClick(maker); });
        if (a->text() == QLatin1String("SoundIn"))
            SoundInItem = a;
        if (a->text() == QLatin1String("SoundOut"))
            SoundOutItem = a;
    }
}

void TMainForm::FormCreate() {
    BuildNewMenu();
    if (!commandLine.documentPath)
        return;
    controller->OpenFile(*commandLine.documentPath);
    UpdateCaption();
    if (commandLine.startDACs) {
        if (engine.SoundOutPresent())
            StartAudioOut();
        if (commandLine.startADCs && engine.CanStartAudioIn())
            StartAudioIn();
        if (commandLine.startClock) {
            engine.context.clockRunning = true;
            StopClockIfOutputFailed();
        }
    }
    UpdateTransportControls();
}

// --- layout ---

int TMainForm::ClientWidth() const {
    return ClientPanel->width();
}

void TMainForm::LayoutPanes() {
    const int w = ClientPanel->width();
    const int h = ClientPanel->height();
    Panel2->setVisible(patcherVisible);
    const bool split = patcherVisible && propertiesVisible && !patcherFills;
    WinSplit1->setVisible(split);
    ScrollBox->setVisible(propertiesVisible && !(patcherVisible && patcherFills));
    if (patcherVisible && (patcherFills || !propertiesVisible)) {
        Panel2->setGeometry(0, 0, w, h);
    } else if (patcherVisible) {
        // Before the window has its final size the pane may be wider than
        // the client; it is shown cut to fit without losing its width.
        const int shown = std::clamp(patcherWidth, 0, std::max(w - 30, 0));
        Panel2->setGeometry(0, 0, shown, h);
        WinSplit1->setGeometry(shown, 0, kSplitterWidth, h);
        const int left = shown + kSplitterWidth;
        ScrollBox->setGeometry(left, 0, std::max(0, w - left), h);
    } else {
        ScrollBox->setGeometry(0, 0, w, h);
    }
    WinSplit1->MaxSize = w - 30;
}

void TMainForm::ClientResized(int oldWidth) {
    const int w = ClientPanel->width();
    if (patcherVisible && propertiesVisible && !patcherFills && oldWidth > 0 && isVisible()) {
        const int sum = oldWidth;
        if (w < sum) {
            const float share = static_cast<float>(patcherWidth) / static_cast<float>(sum);
            patcherWidth = std::min(static_cast<int>(static_cast<float>(w) * share), w - 30);
        } else if (w > sum && patcherWidth < preferredPatcherWidth) {
            patcherWidth = std::min(preferredPatcherWidth, std::max(w - 30, 0));
        }
    }
    LayoutPanes();
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ClientPanel && event->type() == QEvent::Resize) {
        const int old = lastClientWidth;
        lastClientWidth = ClientPanel->width();
        ClientResized(old);
    } else if (watched == Panel2 && event->type() == QEvent::Resize) {
        PatcherPanel->setGeometry(Panel2->rect());
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::ViewPatcherPaneItemClick() {
    const bool on = !patcherVisible;
    ViewPatcherPaneItem->setChecked(on);
    patcherVisible = on;
    if (on) {
        if (propertiesVisible) {
            patcherFills = false;
            if (patcherWidth >= ClientWidth() - 30)
                patcherWidth = ClientWidth() / 2;
        } else {
            // Filling the window, the pane takes its width.
            patcherFills = true;
            patcherWidth = ClientWidth();
        }
        preferredPatcherWidth = patcherWidth;
    }
    LayoutPanes();
}

void TMainForm::ViewPropertiesPaneItemClick() {
    const bool on = !propertiesVisible;
    ViewPropertiesPaneItem->setChecked(on);
    if (on) {
        if (patcherVisible) {
            patcherFills = false;
            if (patcherWidth >= ClientWidth() - 30)
                patcherWidth = ClientWidth() / 2;
        }
        propertiesVisible = true;
    } else if (propertiesVisible) {
        propertiesVisible = false;
        patcherFills = true;
        if (patcherVisible)
            patcherWidth = ClientWidth();
    }
    preferredPatcherWidth = patcherWidth;
    LayoutPanes();
}

void TMainForm::ShowPanes(bool patcher, bool properties) {
    if (patcher != patcherVisible)
        ViewPatcherPaneItemClick();
    if (properties != propertiesVisible)
        ViewPropertiesPaneItemClick();
}

int TMainForm::PatcherPaneWidth() const {
    return preferredPatcherWidth;
}

void TMainForm::SetPatcherPaneWidth(int width) {
    patcherWidth = std::max(width, 0);
    preferredPatcherWidth = patcherWidth;
    LayoutPanes();
}

// --- menus ---

void TMainForm::FileMenuPopup() {
    document->UpdateModified();
    FileSaveItem->setEnabled(document->modified);
    FileRevertItem->setEnabled(document->modified && document->HasFileName());
    FileReopenMenu->clear();
    const std::vector<std::string> captions = reloadManager->MenuCaptions();
    for (size_t i = 0; i < captions.size(); ++i) {
        QAction* a = FileReopenMenu->addAction(QString::fromStdString(captions[i]));
        a->setObjectName(QStringLiteral("ReopenItem%1").arg(i));
        const std::string path = reloadManager->entries[i];
        connect(a, &QAction::triggered, this, [this, path] { FileReopenItemClick(path); });
    }
    FileReopenMenu->setEnabled(!captions.empty());
}

void TMainForm::ViewMenuPopup() {
    ViewToolbarItem->setChecked(SpeedPanel->isVisible());
    ViewStatusBarItem->setChecked(StatusBar->isVisible());
    ViewPatcherPaneItem->setChecked(patcherVisible);
    ViewPropertiesPaneItem->setChecked(propertiesVisible);
    ViewVolumeControlItem->setEnabled(!VolumeControlProgram().isEmpty());
}

void TMainForm::ViewToolbarItemClick() {
    const bool on = !SpeedPanel->isVisible();
    SpeedPanel->setVisible(on);
    ViewToolbarItem->setChecked(on);
}

void TMainForm::ViewStatusBarItemClick() {
    const bool on = !StatusBar->isVisible();
    StatusBar->setVisible(on);
    ViewStatusBarItem->setChecked(on);
}

void TMainForm::ViewVolumeControlItemClick() {
    const QString program = VolumeControlProgram();
    if (!program.isEmpty())
        QProcess::startDetached(program, {});
}

void TMainForm::EditSettingsItemClick() {
    SettingsForm->Execute();
    // Applying may have stopped or restarted a device.
    UpdateTransportControls();
}

void TMainForm::HelpTopicsItemClick() {
    HelpViewer->ShowContents();
}

void TMainForm::HelpAboutItemClick() {
    AboutForm->exec();
}

// --- file commands ---

void TMainForm::StopDevices() {
    wasOutRunning = engine.AudioOutRunning();
    wasInRunning = engine.AudioInRunning();
    Guarded([this] {
        if (engine.AudioOutRunning())
            engine.StopAudioOut();
    });
    Guarded([this] {
        if (engine.AudioInRunning())
            engine.StopAudioIn();
    });
}

void TMainForm::RestartDevices() {
    if (wasInRunning && engine.CanStartAudioIn())
        StartAudioIn();
    if (wasOutRunning && engine.SoundOutPresent()) {
        StartAudioOut();
        StopClockIfOutputFailed();
    }
}

void TMainForm::FileNewItemClick() {
    StopDevices();
    engine.context.clockRunning = false;
    engine.context.tickPosition = 0.0;
    const std::optional<std::string> previous = document->fileName;
    if (controller->New() && previous)
        reloadManager->Add(*previous);
    // A new patch starts at the top of the clock with no load measured.
    TimecodePanel->setText(QStringLiteral("000:0"));
    ResetOutputDisplay();
    UpdateCaption();
    UpdateTransportControls();
}

void TMainForm::FileOpenItemClick() {
    StopDevices();
    const std::optional<std::string> previous = document->fileName;
    if (controller->Open() && previous)
        reloadManager->Add(*previous);
    RestartDevices();
    ShowCaption();
    UpdateTransportControls();
}

void TMainForm::FileReopenItemClick(const std::string& path) {
    StopDevices();
    const std::optional<std::string> previous = document->fileName;
    if (controller->OpenFile(path) && previous)
        reloadManager->Add(*previous);
    RestartDevices();
    ShowCaption();
    UpdateTransportControls();
}

void TMainForm::FileRevertItemClick() {
    StopDevices();
    controller->Revert();
    RestartDevices();
    ShowCaption();
    UpdateTransportControls();
}

void TMainForm::FileSaveItemClick() {
    controller->Save();
    ShowCaption();
}

void TMainForm::FileSaveAsItemClick() {
    controller->SaveAs();
    ShowCaption();
}

void TMainForm::FileSavePatternItemClick() {
    StopDevices();
    Pattern2WaveForm->exec();
    RestartDevices();
    UpdateTransportControls();
}

void TMainForm::FileExitItemClick() {
    close();
}

void TMainForm::UpdateCaption() {
    caption = document->DisplayName() + " - Ondrafel";
    ShowCaption();
}

void TMainForm::ShowCaption() {
    document->UpdateModified();
    const QString title = QString::fromStdString((document->modified ? "*" : "") + caption);
    if (windowTitle() != title)
        setWindowTitle(title);
}

// --- devices and clock ---

void TMainForm::Guarded(const std::function<void()>& command) {
    std::string message;
    try {
        command();
        return;
    } catch (const EWaveOutError& e) {
        message = std::string(e.what()) +
                  "\n\nNo audio output device could be opened. Choose another output device in "
                  "the settings (Edit > Settings...); \"No audio device\" plays without sound "
                  "hardware.";
    } catch (const EWaveInError& e) {
        message = std::string(e.what()) +
                  "\n\nNo audio input device could be opened. Choose another input device in the "
                  "settings (Edit > Settings...), or play an input file instead.";
    } catch (const std::exception& e) {
        message = e.what();
    }
    if (isVisible()) {
        ShowMessage(message, "Ondrafel", TMessageIcon::Error);
    } else {
        // A failure while the window is still being built (devices started
        // from the command line) is told once the window is on the screen,
        // over it, rather than over an empty desktop.
        QTimer::singleShot(0, this,
                           [message] { ShowMessage(message, "Ondrafel", TMessageIcon::Error); });
    }
}

void TMainForm::StartAudioOut() {
    Guarded([this] { engine.StartAudioOut(); });
}

void TMainForm::StartAudioIn() {
    Guarded([this] { engine.StartAudioIn(); });
}

void TMainForm::ResetOutputDisplay() {
    if (!engine.AudioInRunning())
        InputMeter->ClearValues();
    OutputMeter->ClearValues();
    StatusPanel0->drawn = false;
    StatusPanel0->text.clear();
    StatusPanel0->update();
}

void TMainForm::StartClockButtonClick() {
    if (engine.context.clockRunning) {
        engine.context.clockRunning = false;
    } else {
        engine.context.clockRunning = true;
        if (engine.SoundOutPresent() && !engine.AudioOutRunning()) {
            StartAudioOut();
            StopClockIfOutputFailed();
        }
    }
    UpdateTransportControls();
}

void TMainForm::StopClockIfOutputFailed() {
    if (engine.SoundOutPresent() && !engine.AudioOutRunning())
        engine.context.clockRunning = false;
}

void TMainForm::ToggleAudioOut() {
    if (!engine.SoundOutPresent())
        return;
    if (engine.AudioOutRunning())
        ControlStopAudioOutItemClick();
    else
        ControlStartAudioOutItemClick();
}

void TMainForm::StopClockButtonClick() {
    engine.context.clockRunning = false;
    engine.context.tickPosition = 0.0;
    TimecodePanel->setText(QStringLiteral("000:0"));
    UpdateTransportControls();
}

void TMainForm::ControlStartAudioOutItemClick() {
    StartAudioOut();
    UpdateTransportControls();
}

void TMainForm::ControlStopAudioOutItemClick() {
    Guarded([this] { engine.StopAudioOut(); });
    UpdateTransportControls();
    ResetOutputDisplay();
}

void TMainForm::DACsSpeedButtonClick() {
    if (DACsSpeedButton->isChecked())
        ControlStartAudioOutItemClick();
    else
        ControlStopAudioOutItemClick();
}

void TMainForm::ControlStartAudioInItemClick() {
    if (engine.CanStartAudioIn())
        StartAudioIn();
    UpdateTransportControls();
}

void TMainForm::ControlStopAudioInItemClick() {
    Guarded([this] {
        if (engine.AudioInRunning())
            engine.StopAudioIn();
    });
    UpdateTransportControls();
    InputMeter->ClearValues();
}

void TMainForm::ADCsSpeedButtonClick() {
    if (ADCsSpeedButton->isChecked())
        ControlStartAudioInItemClick();
    else
        ControlStopAudioInItemClick();
}

void TMainForm::ControlUseInputFileItemClick() {
    // The item's tick has been inverted by the click already.
    const bool useFile = ControlUseInputFileItem->isChecked();
    if (useFile && engine.AudioInRunning())
        Guarded([this] { engine.StopAudioIn(); });
    engine.SetUseInputFile(useFile);
    UpdateTransportControls();
}

void TMainForm::UpdateTransportControls() {
    const bool outRunning = engine.AudioOutRunning();
    const bool inRunning = engine.AudioInRunning();
    if (engine.SoundOutPresent()) {
        ControlStartAudioOutItem->setEnabled(!outRunning);
        ControlStopAudioOutItem->setEnabled(outRunning);
        DACsSpeedButton->setEnabled(true);
        DACsSpeedButton->setChecked(outRunning);
        DACsSpeedButton->setToolTip(outRunning ? QStringLiteral("Stop Audio Out")
                                               : QStringLiteral("Start Audio Out"));
    } else {
        ControlStartAudioOutItem->setEnabled(false);
        ControlStopAudioOutItem->setEnabled(false);
        DACsSpeedButton->setEnabled(false);
        DACsSpeedButton->setChecked(false);
        DACsSpeedButton->setToolTip(QStringLiteral("Start Audio Out"));
    }
    if (outRunning) {
        UIUpdateTimer->start();
        StatusPanel0->drawn = true;
    } else {
        UIUpdateTimer->stop();
        OutputMeter->ClearValues();
    }

    if (SoundInItem != nullptr)
        SoundInItem->setEnabled(!engine.SoundInPresent());
    if (SoundOutItem != nullptr)
        SoundOutItem->setEnabled(!engine.SoundOutPresent());
    ControlUseInputFileItem->setEnabled(engine.SoundInPresent());
    ControlUseInputFileItem->setChecked(engine.SoundInPresent() && engine.InputFileSelected());

    if (engine.CanStartAudioIn()) {
        ControlStartAudioInItem->setEnabled(!inRunning);
        ControlStopAudioInItem->setEnabled(inRunning);
        ADCsSpeedButton->setEnabled(true);
        ADCsSpeedButton->setChecked(inRunning);
        ADCsSpeedButton->setToolTip(inRunning ? QStringLiteral("Stop Audio In")
                                              : QStringLiteral("Start Audio In"));
        if (!inRunning)
            InputMeter->ClearValues();
    } else {
        ControlStartAudioInItem->setEnabled(false);
        ControlStopAudioInItem->setEnabled(false);
        ADCsSpeedButton->setEnabled(false);
        ADCsSpeedButton->setChecked(false);
        ADCsSpeedButton->setToolTip(QStringLiteral("Start Audio In"));
        InputMeter->ClearValues();
    }
    if (outRunning || inRunning)
        MeterUpdateTimer->start();
    else
        MeterUpdateTimer->stop();

    const bool clock = engine.context.clockRunning;
    StartClockButton->setIcon(Glyph(clock ? QStringLiteral("PAUSE") : QStringLiteral("PLAY")));
    StartClockButton->setProperty("glyph",
                                  clock ? QStringLiteral("PAUSE") : QStringLiteral("PLAY"));
    StartClockButton->setToolTip(clock ? QStringLiteral("Pause Clock")
                                       : QStringLiteral("Start Clock"));
    StopClockButton->setEnabled(clock);
    ControlStopClockItem->setEnabled(clock);
    ControlStartClockItem->setEnabled(!clock);
}

QString TMainForm::Timecode(unsigned ticks) {
    return QStringLiteral("%1:%2").arg(ticks / 96).arg((ticks / 24) % 4 + 1);
}

void TMainForm::UIUpdateTimerTimer() {
    char text[64];
    std::snprintf(text, sizeof text, "CPU Load: %3.2f", engine.OutStream.Load() * 100.0);
    StatusPanel0->text = QString::fromLatin1(text);
    StatusPanel0->drawn = engine.AudioOutRunning();
    StatusPanel0->update();
}

void TMainForm::MeterUpdateTimerTimer() {
    float inL = 0.0f, inR = 0.0f, outL = 0.0f, outR = 0.0f;
    unsigned ticks = 0;
    engine.GetMeterValues(inL, inR, outL, outR, ticks);
    InputMeter->SetValues(0, inL);
    InputMeter->SetValues(1, inR);
    if (engine.AudioOutRunning()) {
        OutputMeter->SetValues(0, outL);
        OutputMeter->SetValues(1, outR);
        TimecodePanel->setText(Timecode(ticks));
    }
}

// --- tempo ---

void TMainForm::TempoEditChange(const QString& text) {
    if (settingTempo)
        return;
    // An empty text clears the mark and is no tempo.
    const std::optional<int> t = tempoCheck->CheckInteger(
        text, TempoUpDown->Min, TempoUpDown->Max, QStringLiteral("1 ... 240 bpm"));
    if (!t)
        return;
    TempoUpDown->SetPosition(*t);
    engine.context.samplesPerTick = ODSamplesPerTick(*t);
    document->modified = true;
}

int TMainForm::Tempo() const {
    return TempoUpDown->Position();
}

void TMainForm::SetTempo(int bpm) {
    settingTempo = true;
    tempoCheck->Accept();
    TempoUpDown->SetPosition(bpm);
    TempoEdit->setText(QString::number(bpm));
    settingTempo = false;
}

// --- patcher ---

void TMainForm::PatcherPanelMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers, int x,
                                      int y) {
    patcherPoint = QPoint(x, y);
    patcherNodeIndex = PatcherPanel->NodeIndexAt(x, y);
    PatcherEditItem->setEnabled(patcherNodeIndex >= 0);
    // A right click on a node outside the selection makes it the
    // selection, so that the popup's "Delete" acts on what was clicked.
    if (button == Qt::RightButton && patcherNodeIndex >= 0) {
        VXPatcherNode* node = PatcherPanel->Nodes(patcherNodeIndex);
        if (!node->selected)
            PatcherPanel->SelectNodeAlone(node);
    }
    PatcherDeleteItem->setEnabled(!PatcherPanel->SelectedNodes().empty() ||
                                  !PatcherPanel->SelectedConnections().empty());
    // The single-instance types are offered only while they can be made.
    if (SoundInItem != nullptr)
        SoundInItem->setEnabled(!engine.SoundInPresent());
    if (SoundOutItem != nullptr)
        SoundOutItem->setEnabled(!engine.SoundOutPresent());
}

void TMainForm::PatcherPanelDblClick() {
    const int index = PatcherPanel->NodeIndexAt(patcherPoint.x(), patcherPoint.y());
    if (index >= 0)
        ShowFormOf(ContraptionOf(PatcherPanel->Nodes(index)));
}

void TMainForm::PatcherEditItemClick() {
    if (patcherNodeIndex >= 0 && patcherNodeIndex < PatcherPanel->NodeCount())
        ShowFormOf(ContraptionOf(PatcherPanel->Nodes(patcherNodeIndex)));
}

void TMainForm::PatcherDeleteItemClick() {
    PatcherPanel->DeleteSelection();
}

void TMainForm::EditClearItemClick() {
    PatcherPanel->DeleteSelection();
}

void TMainForm::EditSelectAllItemClick() {
    PatcherPanel->SelectAll();
}

void TMainForm::EditMenuPopup() {
    EditSelectAllItem->setEnabled(PatcherPanel->NodeCount() > 0);
    EditClearItem->setEnabled(!PatcherPanel->SelectedNodes().empty() ||
                              !PatcherPanel->SelectedConnections().empty());
}

void TMainForm::ShowFormOf(TQuorlingContraption* contraption) {
    if (contraption == nullptr)
        return;
    contraption->ShowForm();
    if (unplacedForms.erase(contraption) != 0)
        PlaceNewForm(contraption);
}

void TMainForm::PlaceNewForm(TQuorlingContraption* contraption) {
    TContraptionForm* form = nullptr;
    std::vector<QRect> taken;
    for (TContraptionForm* f : ScrollBox->Content()->findChildren<TContraptionForm*>(
             QString(), Qt::FindDirectChildrenOnly)) {
        if (f->contraption == contraption)
            form = f;
        else if (f->isVisible())
            taken.push_back(f->geometry().adjusted(-kFormGap, -kFormGap, kFormGap, kFormGap));
    }
    if (form == nullptr)
        return;
    const QSize size = form->size();
    const QRect view(ScrollBox->HorzPosition(), ScrollBox->VertPosition(),
                     ScrollBox->viewport()->width(), ScrollBox->viewport()->height());
    const auto fits = [&](QPoint at) {
        const QRect r(at, size);
        return std::none_of(taken.begin(), taken.end(),
                            [&](const QRect& t) { return t.intersects(r); });
    };
    // Row by row on the windows' grid, left to right, within the view;
    // when the view is full, below the lowest window at the view's left.
    const int left = (view.left() / kFormGrid) * kFormGrid;
    const int top = (view.top() / kFormGrid) * kFormGrid;
    std::optional<QPoint> spot;
    for (int y = top; !spot && y + size.height() <= std::max(view.bottom() + 1, top + size.height());
         y += kFormGrid)
        for (int x = left; x + size.width() <= std::max(view.right() + 1, left + size.width());
             x += kFormGrid)
            if (fits({x, y})) {
                spot = QPoint(x, y);
                break;
            }
    if (!spot) {
        int bottom = top;
        for (const QRect& t : taken)
            bottom = std::max(bottom, t.bottom() + 1);
        spot = QPoint(left, ((bottom + kFormGrid - 1) / kFormGrid) * kFormGrid);
    }
    form->SetBounds(spot->x(), spot->y(), size.width(), size.height());
    ScrollBox->MakeVisible(form);
}

void TMainForm::CreateContraptionClick(TContraptionMaker* maker) {
    std::unique_ptr<TQuorlingContraption> contraption = maker->CreateContraption(&engine, "");
    if (!contraption)
        return;
    {
        TGraphLock lock(engine);
        contraption->processor->SetContext(&engine.context);
    }
    TQuorlingContraption* c = contraption.release();
    nodeOf[c] = PatcherPanel->AddNode(patcherPoint.x(), patcherPoint.y(),
                                      QString::fromStdString(c->name), c->processor->InletCount(),
                                      c->processor->OutletCount(), c);
    unplacedForms.insert(c);
    UpdateTransportControls();
}

void TMainForm::PatcherPanelCreateConnection(VXPatcherConnection* connection, bool& abort) {
    if (PatcherPanel->IsInletConnected(connection->target, connection->inlet)) {
        abort = true;
        return;
    }
    engine.ConnectContraptions(ContraptionOf(connection->source), connection->outlet,
                               ContraptionOf(connection->target), connection->inlet);
}

void TMainForm::PatcherPanelDeleteConnection(VXPatcherConnection* connection, bool&) {
    if (keepEngineConnections)
        return;
    engine.DisconnectContraptions(ContraptionOf(connection->source), connection->outlet,
                                  ContraptionOf(connection->target), connection->inlet);
}

void TMainForm::PatcherPanelDeleteNode(VXPatcherNode* node) {
    TQuorlingContraption* contraption = ContraptionOf(node);
    node->data = nullptr;
    nodeOf.erase(contraption);
    unplacedForms.erase(contraption);
    {
        TGraphLock lock(engine);
        delete contraption;
    }
    // The streams are stopped outside the graph lock: stopping waits for
    // the output worker, which needs the lock to finish its buffer.
    if (engine.AudioInRunning() && !engine.CanStartAudioIn())
        Guarded([this] { engine.StopAudioIn(); });
    if (engine.AudioOutRunning() && !engine.SoundOutPresent()) {
        Guarded([this] { engine.StopAudioOut(); });
        ResetOutputDisplay();
    }
    UpdateTransportControls();
}

std::vector<ODPatcherNodeInfo> TMainForm::PatcherNodes() const {
    std::vector<ODPatcherNodeInfo> nodes;
    for (int i = 0; i < PatcherPanel->NodeCount(); ++i) {
        const VXPatcherNode* n = PatcherPanel->Nodes(i);
        nodes.push_back({ContraptionOf(n), n->bounds.left, n->bounds.top});
    }
    return nodes;
}

std::vector<ODPatcherConnectionInfo> TMainForm::PatcherConnections() const {
    std::vector<ODPatcherConnectionInfo> result;
    for (int i = 0; i < PatcherPanel->ConnectionCount(); ++i) {
        const VXPatcherConnection* c = PatcherPanel->Connections(i);
        result.push_back({ContraptionOf(c->source), c->outlet, ContraptionOf(c->target), c->inlet});
    }
    return result;
}

void TMainForm::AddPatcherNode(std::unique_ptr<TQuorlingContraption> contraption, int x, int y) {
    TQuorlingContraption* c = contraption.release();
    nodeOf[c] = PatcherPanel->AddNode(x, y, QString::fromStdString(c->name),
                                      c->processor->InletCount(), c->processor->OutletCount(), c);
}

void TMainForm::AddPatcherConnection(const ODPatcherConnectionInfo& info) {
    const auto source = nodeOf.find(info.source);
    const auto target = nodeOf.find(info.target);
    if (source == nodeOf.end() || target == nodeOf.end())
        return;
    AddPatcherConnection(source->second, info.outlet, target->second, info.inlet);
}

void TMainForm::AddPatcherConnection(VXPatcherNode* source, int outlet, VXPatcherNode* target,
                                     int inlet) {
    // The engine has replaced a connection into the same inlet; the pane
    // lets go of it without touching the engine again.
    keepEngineConnections = true;
    for (int i = PatcherPanel->ConnectionCount() - 1; i >= 0; --i) {
        VXPatcherConnection* c = PatcherPanel->Connections(i);
        if (c->target == target && c->inlet == inlet)
            PatcherPanel->DeleteConnection(c);
    }
    keepEngineConnections = false;
    PatcherPanel->AddConnection(source, outlet, target, inlet);
}

void TMainForm::ClearPatcher() {
    // One reordering for the whole patch instead of one per connection.
    // Only while the output is stopped (as every command that empties the
    // patch does first): deleting the sound output would stop it, which
    // must not happen under the lock.
    std::optional<TGraphLock> lock;
    std::optional<MGDynSigContext::Batch> batch;
    if (!engine.AudioOutRunning()) {
        lock.emplace(engine);
        batch.emplace(engine.context);
    }
    while (PatcherPanel->ConnectionCount() > 0)
        PatcherPanel->DeleteConnection(
            PatcherPanel->Connections(PatcherPanel->ConnectionCount() - 1));
    PatcherPanel->Clear();
}

bool TMainForm::PatcherModified() const {
    return PatcherPanel->Modified;
}

void TMainForm::ClearPatcherModified() {
    PatcherPanel->Modified = false;
}

void TMainForm::LockRepaint() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    setUpdatesEnabled(false);
}

void TMainForm::UnlockRepaint() {
    setUpdatesEnabled(true);
    PatcherPanel->viewport()->update();
    QApplication::restoreOverrideCursor();
}

std::optional<std::string> TMainForm::AskSaveFileName(const std::string& currentPath) {
    const std::string proposed =
        !currentPath.empty() ? currentPath
                             : RememberedDirectory(TDirectoryKind::Document) + "/Untitled.odh";
    if (SaveDialog) {
        std::optional<std::string> path = SaveDialog(proposed);
        if (path && !path->empty())
            *path = ODAbsolutePath(*path);
        return path;
    }
    QFileDialog dialog(this, QStringLiteral("Save"), QString::fromStdString(proposed),
                       QStringLiteral("Ondrafel document (*.odh);;All documents (*)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("odh"));
    dialog.selectFile(QString::fromStdString(proposed));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return ODAbsolutePath(dialog.selectedFiles().first().toStdString());
}

void TMainForm::DocumentNamed(const std::string& newCaption, const std::string& path) {
    caption = newCaption;
    ShowCaption();
    if (!path.empty())
        RememberDirectory(TDirectoryKind::Document, path);
}

void TMainForm::PatchEmptied() {
    UpdateTransportControls();
}

// --- window events ---

bool TMainForm::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        StatusPanel1->setText(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (!controller->CanClose()) {
        event->ignore();
        return;
    }
    if (document->fileName)
        reloadManager->Add(*document->fileName);
    Guarded([this] { engine.StopAudioOut(); });
    Guarded([this] {
        if (engine.AudioInRunning())
            engine.StopAudioIn();
    });
    SaveSearchDirectories(settings);
    event->accept();
}

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!placementRestored) {
        placementRestored = true;
        // The window takes its stored size now, after the document set the
        // pane's width: that is no shrinking by the user, so the first size
        // shows the document's width as far as it fits.
        lastClientWidth = -1;
        RestorePlacement();
    }
}

void TMainForm::RestorePlacement() {
    if (!settings.HasKey(kMainWindowKey)) {
        setWindowState(windowState() | Qt::WindowMaximized);
        return;
    }
    const QScreen* screen =
        this->screen() != nullptr ? this->screen() : QGuiApplication::primaryScreen();
    const QSize s = screen != nullptr ? screen->availableGeometry().size() : QSize(1920, 1080);
    // A key with a value missing keeps the window's current value for it.
    const QRect now = geometry();
    int width = settings.ReadInteger(kMainWindowKey, "Width").value_or(now.width());
    int height = settings.ReadInteger(kMainWindowKey, "Height").value_or(now.height());
    int left = settings.ReadInteger(kMainWindowKey, "Left").value_or(now.x());
    int top = settings.ReadInteger(kMainWindowKey, "Top").value_or(now.y());
    width = std::min(width, s.width());
    height = std::min(height, s.height());
    if (left > s.width())
        left = (s.width() - width) / 2;
    if (top > s.height())
        top = (s.height() - height) / 2;
    setGeometry(left, top, std::max(width, 100), std::max(height, 100));
    if (settings.ReadInteger(kMainWindowKey, "Maximized").value_or(0) != 0)
        setWindowState(windowState() | Qt::WindowMaximized);
    if (auto v = settings.ReadInteger(kMainWindowKey, "ToolBar"))
        SpeedPanel->setVisible(*v != 0);
    if (auto v = settings.ReadInteger(kMainWindowKey, "StatusBar"))
        StatusBar->setVisible(*v != 0);
}

void TMainForm::SavePlacement() {
    const bool maximized = isMaximized();
    const QRect r = maximized ? normalGeometry() : geometry();
    settings.WriteInteger(kMainWindowKey, "Maximized", maximized ? 1 : 0);
    settings.WriteInteger(kMainWindowKey, "Left", r.x());
    settings.WriteInteger(kMainWindowKey, "Top", r.y());
    settings.WriteInteger(kMainWindowKey, "Width", r.width());
    settings.WriteInteger(kMainWindowKey, "Height", r.height());
    settings.WriteInteger(kMainWindowKey, "ToolBar", SpeedPanel->isVisibleTo(this) ? 1 : 0);
    settings.WriteInteger(kMainWindowKey, "StatusBar", StatusBar->isVisibleTo(this) ? 1 : 0);
}
