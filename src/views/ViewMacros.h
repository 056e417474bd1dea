#pragma once
// The macros page: the macro tree on the left; on the right the status strip with the verdicts
// of the vehicle link check and the console pane that the console buffer writes into.
#include "engine/Detect.h"

#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <string>

class QLabel;
class QMenu;
class QPushButton;
class QSplitter;
class QTreeWidget;
class QTreeWidgetItem;
class TCartridge;
class TConsoleBuffer;
class TConsoleView;
class TPrintJob;
class TVehicle;
class TfInfoMacro;
class TfInfoMacroItem;

class TframeViewMacros : public QWidget {
    Q_OBJECT
public:
    // Asks for the override text of a mode $04 request: label = the request's Prompt, text =
    // the current Override on entry and the answer on OK. False when cancelled.
    using TOverridePrompt =
        std::function<bool(QWidget* parent, const std::string& label, std::string& text)>;

    explicit TframeViewMacros(QWidget* parent = nullptr);
    ~TframeViewMacros() override;

    // The objects of the main window the page reads and drives (they outlive the page).
    void SetVehicle(TVehicle* vehicle) { Vehicle = vehicle; }
    void SetEngine(TCartridge* engine) { Engine = engine; }
    void SetConsoleBuffer(TConsoleBuffer* buffer); // also makes the console its target

    // Rebuilds the tree from the definition. A selectIndex not below NodeCount() becomes 0;
    // a valid index is then selected and handled as a selection change.
    void FillMacroTree(int selectIndex);
    // Every node of the tree, macros and items (absolute indices in display order).
    int NodeCount() const;
    // The MacID of the macro the node belongs to (its own or its parent's); -1 when the index
    // is not a node. This is what LoadMacro takes for node number MruMacro.
    int MacroOfNode(int index) const;
    // The absolute index of the top-level node of the selected node; -1 when none is selected.
    int SelectedMacroNode() const;

    // The main window's remembered macro node; the page compares selections with it.
    int MruMacro() const { return Mru; }
    void SetMruMacro(int index) { Mru = index; }

    // Verdicts of the vehicle link check: OK green, failed red; Reset shows the unchecked state
    // ("Max232 interface..." and "Chatter..." in silver).
    void SetVerdicts(const TLinkVerdict& interfaceVerdict, const TLinkVerdict& chatterVerdict);
    void ResetVerdicts();

    TConsoleView& console() const { return *Console; }
    // The console's lines on the job's pages below its header, wrapped to the page width; the
    // caller prints the last footer.
    void PrintConsole(TPrintJob& job) const;
    QTreeWidget& tree() const { return *Tree; }
    QLabel& interfaceLabel() const { return *InterfaceText; }
    QLabel& chatterLabel() const { return *ChatterText; }
    QPushButton& clearButton() const { return *ClearButton; }

    // Width of the macro tree in pixels (ini key "macroSplitter"). Until it is set here or the
    // user drags the splitter, the tree takes the width of its longest name (within limits).
    int SplitterWidth() const;
    void SetSplitterWidth(int width);

    // "More info..." for the selected node and the double click of an item node (override).
    void ShowMoreInfo();
    void EditOverride(QTreeWidgetItem* node);
    void SetOverridePrompt(TOverridePrompt prompt) { OverridePrompt = std::move(prompt); }
    // While a run's worker owns the engine's execution side: EngineInUse answers true, and an
    // override typed meanwhile goes to the sink (the worker) instead of into the image.
    using TEngineInUse = std::function<bool()>;
    using TOverrideSink = std::function<void(int item, const std::string& text)>;
    void SetRunHooks(TEngineInUse inUse, TOverrideSink sink);
    // The run has ended: the image holds every override sent to the sink.
    void RunEnded() { SentOverrides.clear(); }
    QMenu* CreateTreePopupMenu();

    TfInfoMacro& infoMacro();
    TfInfoMacroItem& infoMacroItem();

signals:
    // After every selection change in the tree (the macro-selected run state is due), with the
    // MruMacro now in force.
    void MacroSelected(int mruMacro);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void treeSelectionChanged();
    void clearConsole();
    void applyTreeWidth();
    void fitTreeWidth();
    void treeContextMenu(const QPoint& pos);
    void buildStatusStrip(QWidget* strip);
    int absoluteIndex(const QTreeWidgetItem* node) const;
    QTreeWidgetItem* nodeAt(int index) const;
    int imageItemOfNode(const QTreeWidgetItem* node) const; // by IID; -1 when none

    TVehicle* Vehicle = nullptr;
    TCartridge* Engine = nullptr;
    TConsoleBuffer* Buffer = nullptr;
    int Mru = -1;
    bool Filling = false;
    int TreeWidth = 200;
    bool SizesApplied = false;
    bool TreeWidthChosen = false; // set from the settings or by dragging the splitter
    TOverridePrompt OverridePrompt;
    TEngineInUse EngineInUse;
    TOverrideSink OverrideSink;
    std::map<int, std::string> SentOverrides; // item -> text handed to the sink this run

    QSplitter* Splitter = nullptr;
    QTreeWidget* Tree = nullptr;
    QLabel* InterfaceIcon = nullptr;
    QLabel* InterfaceText = nullptr;
    QLabel* ChatterIcon = nullptr;
    QLabel* ChatterText = nullptr;
    QPushButton* ClearButton = nullptr;
    TConsoleView* Console = nullptr;
    std::unique_ptr<TfInfoMacro> InfoMacro;
    std::unique_ptr<TfInfoMacroItem> InfoMacroItem;
};
