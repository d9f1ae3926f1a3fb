#pragma once

// The application's main window: the toolbar with the file buttons, the
// transport, the tempo and the level meters; the patcher pane on the left,
// the properties pane with the contraption windows on the right and the
// splitter between them; the status bar with the processing load. It owns
// the document with its prompts and controller and the recent-files list,
// and turns menu commands, buttons and patcher events into calls on the
// engine module, the contraption factory and the document.

#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "document/document_view.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QTimer;
class QToolBar;
class QToolButton;
class ODDocument;
class ODDocumentQueries;
class TAboutForm;
class TAudioEngineModule;
class TContraptionFactory;
class TContraptionMaker;
class TDirectorySelectionForm;
class THelpViewer;
class TPattern2WaveForm;
class TPatternedScrollBox;
class TProgressForm;
class TSettingsForm;
class TSettingsStore;
class VXDocumentController;
class VXDWMeter;
class VXPatcherConnection;
class VXPatcherNode;
class VXPatcherPanel;
class VXReloadManager;
class VXValidatedEdit;

// The command line: one document and the switches "/STARTDACS",
// "/STARTADCS", "/STARTCLOCK" (any case). A word after a single "/" that
// does not name a file is a switch; anything else names the document.
struct TCommandLine {
    std::optional<std::string> documentPath;
    bool startDACs = false;
    bool startADCs = false;
    bool startClock = false;
    // "Bad command line parameter number N: "ARG"" for the first bad
    // argument; parsing stops there.
    std::optional<std::string> error;
};
TCommandLine ParseCommandLine(const QStringList& arguments);

// The up-down arrows beside the tempo field.
class TUpDown : public QWidget {
    Q_OBJECT
public:
    explicit TUpDown(QWidget* parent = nullptr);
    int Min = 1;
    int Max = 240;
    int Position() const { return position; }
    void SetPosition(int p);
    QToolButton* UpButton;
    QToolButton* DownButton;

signals:
    // The user stepped to a new position.
    void Stepped(int position);

private:
    int position = 120;
};

// The splitter: a thin bar that changes the width of the pane to its left.
class TWinSplit : public QWidget {
    Q_OBJECT
public:
    explicit TWinSplit(QWidget* parent = nullptr);
    int MinSize = 30;
    int MaxSize = 5000;

signals:
    void BeginSplit();
    void MoveSplit(int dx);
    void EndSplit(int dx);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool splitting = false;
    int pressX = 0;
    QWidget* line = nullptr;
};

// The status bar's first panel: the load text, red after an underrun.
class TStatusPanel : public QWidget {
    Q_OBJECT
public:
    explicit TStatusPanel(QWidget* parent = nullptr);
    QString text;
    bool drawn = false;
    std::function<bool()> takeUnderrun;
    bool red = false;

protected:
    void paintEvent(QPaintEvent* event) override;
};

class TMainForm : public QMainWindow, public ODDocumentView {
    Q_OBJECT
public:
    // `arguments` without the program's name. The engine, settings and
    // factory outlive the window.
    TMainForm(TAudioEngineModule& engine, TSettingsStore& settings, TContraptionFactory& factory,
              const QStringList& arguments);
    ~TMainForm() override;

    TAudioEngineModule& engine;
    TSettingsStore& settings;
    TContraptionFactory& factory;
    TCommandLine commandLine;
    std::unique_ptr<ODDocumentQueries> queries;
    std::unique_ptr<ODDocument> document;
    std::unique_ptr<VXDocumentController> controller;
    std::unique_ptr<VXReloadManager> reloadManager;
    // The save dialog; replaced by tests.
    std::function<std::optional<std::string>(const std::string& proposed)> SaveDialog;

    // Controls, by their component names.
    QToolBar* SpeedPanel;
    QToolButton* StartClockButton;
    QToolButton* StopClockButton;
    QLabel* TimecodePanel;
    QLineEdit* TempoEdit;
    TUpDown* TempoUpDown;
    QToolButton* ADCsSpeedButton;
    QToolButton* DACsSpeedButton;
    VXDWMeter* InputMeter;
    VXDWMeter* OutputMeter;
    QStatusBar* StatusBar;
    TStatusPanel* StatusPanel0;
    QLabel* StatusPanel1;
    QWidget* Panel2;
    VXPatcherPanel* PatcherPanel;
    TWinSplit* WinSplit1;
    TPatternedScrollBox* ScrollBox;
    QTimer* UIUpdateTimer;
    QTimer* MeterUpdateTimer;
    QMenu* PatcherPopup;
    QAction* PatcherEditItem;
    QAction* PatcherDeleteItem;
    QMenu* PatcherNewMenu;
    QAction* SoundInItem = nullptr;
    QAction* SoundOutItem = nullptr;

    // Menus and items.
    QMenu* FileMenu;
    QAction* FileNewItem;
    QAction* FileOpenItem;
    QMenu* FileReopenMenu;
    QAction* FileRevertItem;
    QAction* FileSaveItem;
    QAction* FileSaveAsItem;
    QAction* FileSavePatternItem;
    QAction* FileExitItem;
    QMenu* EditMenu;
    QAction* EditCutItem;
    QAction* EditCopyItem;
    QAction* EditPasteItem;
    QAction* EditClearItem;
    QAction* EditSelectAllItem;
    QAction* EditSettingsItem;
    QMenu* ViewMenu;
    QAction* ViewToolbarItem;
    QAction* ViewStatusBarItem;
    QAction* ViewPatcherPaneItem;
    QAction* ViewPropertiesPaneItem;
    QAction* ViewVolumeControlItem;
    QMenu* ControlMenu;
    QAction* ControlStartClockItem;
    QAction* ControlStopClockItem;
    QAction* ControlStartAudioOutItem;
    QAction* ControlStopAudioOutItem;
    QAction* ControlStartAudioInItem;
    QAction* ControlStopAudioInItem;
    QAction* ControlUseInputFileItem;
    QMenu* HelpMenu;
    QAction* HelpTopicsItem;
    QAction* HelpAboutItem;

    // The dialog windows, made with the main window and kept for the run.
    TProgressForm* ProgressForm;
    TPattern2WaveForm* Pattern2WaveForm;
    TDirectorySelectionForm* DirectorySelectionForm;
    TSettingsForm* SettingsForm;
    TAboutForm* AboutForm;
    THelpViewer* HelpViewer;

    // The create event: the "New" submenu, then the command line's
    // document and switches. Runs at the end of construction.
    void FormCreate();

    // Command handlers.
    void FileNewItemClick();
    void FileOpenItemClick();
    void FileReopenItemClick(const std::string& path);
    void FileRevertItemClick();
    void FileSaveItemClick();
    void FileSaveAsItemClick();
    void FileSavePatternItemClick();
    void FileExitItemClick();
    void FileMenuPopup();
    void EditSettingsItemClick();
    void ViewMenuPopup();
    void ViewToolbarItemClick();
    void ViewStatusBarItemClick();
    void ViewPatcherPaneItemClick();
    void ViewPropertiesPaneItemClick();
    void ViewVolumeControlItemClick();
    void StartClockButtonClick();
    void StopClockButtonClick();
    void ControlStartAudioOutItemClick();
    void ControlStopAudioOutItemClick();
    void DACsSpeedButtonClick();
    void ControlStartAudioInItemClick();
    void ControlStopAudioInItemClick();
    void ADCsSpeedButtonClick();
    void ControlUseInputFileItemClick();
    void HelpTopicsItemClick();
    void HelpAboutItemClick();
    void UIUpdateTimerTimer();
    void MeterUpdateTimerTimer();
    void TempoEditChange(const QString& text);

    // Patcher events.
    void PatcherPanelMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x,
                               int y);
    void PatcherPanelDblClick();
    void PatcherEditItemClick();
    void CreateContraptionClick(TContraptionMaker* maker);
    void PatcherPanelCreateConnection(VXPatcherConnection* connection, bool& abort);
    void PatcherPanelDeleteConnection(VXPatcherConnection* connection, bool& abort);
    void PatcherPanelDeleteNode(VXPatcherNode* node);
    // The popup's "Delete" and Edit > "Cle&ar": delete the selection, as
    // the Delete key does; Edit > "Select A&ll" selects every node, as
    // Ctrl+A does.
    void PatcherDeleteItemClick();
    void EditClearItemClick();
    void EditSelectAllItemClick();
    void EditMenuPopup();

    void UpdateTransportControls();
    void UpdateCaption();
    // Space, wherever the keyboard is not typing or pressing a button:
    // starts audio output, or stops it.
    void ToggleAudioOut();
    // "BAR:BEAT" of a clock position, as the timecode panel shows it.
    static QString Timecode(unsigned ticks);

    // ODDocumentView
    int Tempo() const override;
    void SetTempo(int bpm) override;
    std::vector<ODPatcherNodeInfo> PatcherNodes() const override;
    std::vector<ODPatcherConnectionInfo> PatcherConnections() const override;
    void AddPatcherNode(std::unique_ptr<TQuorlingContraption> contraption, int x, int y) override;
    void AddPatcherConnection(const ODPatcherConnectionInfo& connection) override;
    void ClearPatcher() override;
    bool PatcherModified() const override;
    void ClearPatcherModified() override;
    int PatcherPaneWidth() const override;
    void SetPatcherPaneWidth(int width) override;
    bool PatcherPaneVisible() const override { return patcherVisible; }
    bool PropertiesPaneVisible() const override { return propertiesVisible; }
    void ShowPanes(bool patcher, bool properties) override;
    void LockRepaint() override;
    void UnlockRepaint() override;
    std::optional<std::string> AskSaveFileName(const std::string& currentPath) override;
    void DocumentNamed(const std::string& caption, const std::string& path) override;
    void PatchEmptied() override;

    // The panes' client area (the space between toolbar and status bar).
    QWidget* ClientPanel;
    int ClientWidth() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateMenus();
    void CreateToolbar();
    void CreatePanes();
    void BuildNewMenu();
    void LayoutPanes();
    void ClientResized(int oldWidth);
    void RestorePlacement();
    void SavePlacement();
    // Runs a device command; a device failure is shown and the program
    // carries on with the engine's real state.
    void Guarded(const std::function<void()>& command);
    void StartAudioOut();
    void StartAudioIn();
    void StopDevices();
    void RestartDevices();
    void ResetOutputDisplay();
    void AddPatcherConnection(VXPatcherNode* source, int outlet, VXPatcherNode* target, int inlet);
    // A clock that was asked to run with the sound output but whose output
    // could not start would show running while it stands still.
    void StopClockIfOutputFailed();
    // The document's name, with "*" in front while it has unsaved changes.
    void ShowCaption();
    // Places a new contraption's window, the first time it is shown, at
    // the first free spot of the properties pane that is in view.
    void PlaceNewForm(TQuorlingContraption* contraption);
    void ShowFormOf(TQuorlingContraption* contraption);

    bool patcherVisible = true;
    bool propertiesVisible = true;
    bool patcherFills = false;
    int patcherWidth = 180;
    // The width the document or the user asked for: a window made narrow
    // squeezes the pane, and growing it again gives that width back (and
    // the document keeps it).
    int preferredPatcherWidth = 180;
    int lastClientWidth = -1;
    bool placementRestored = false;
    bool settingTempo = false;
    bool keepEngineConnections = false;
    bool wasOutRunning = false;
    bool wasInRunning = false;
    QPoint patcherPoint;
    int patcherNodeIndex = -1;
    std::string caption;
    QTimer* captionTimer = nullptr;
    QObject* spaceKeyFilter = nullptr;
    VXValidatedEdit* tempoCheck = nullptr;
    // Each contraption's node: the document's connections find theirs
    // without a walk over the whole pane.
    std::unordered_map<const TQuorlingContraption*, VXPatcherNode*> nodeOf;
    // Contraptions made here whose window has not been shown yet.
    std::unordered_set<const TQuorlingContraption*> unplacedForms;
};
