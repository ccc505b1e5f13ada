#pragma once
// A tray: a grid of toggle buttons, one per item, with a menu button that adds, deletes
// and renames items. Clicking a button makes it the tray's one checked button and applies
// its item. Every live tray is in one chain, newest first, so the rest of the program
// finds trays by name. A tray reads its file when made and writes it when destroyed.

#include "gui/dialogs/Dialog.h"
#include "gui/dialogs/DialogFactory.h"

#include <QPointer>

#include <memory>
#include <vector>

class QAction;
class QMenu;
class QScrollArea;
class QToolButton;

namespace GUI {

class QTrayItem;
class TrayItem;
class TrayItemList;

class MTray : public Dialog {
    Q_OBJECT

public:
    static constexpr const char *kClassName = "MTray";
    using Factory = DialogFactoryOf<MTray>;

    // `name` (UTF-8) names the tray and its file; none gives "unknown_tray".
    MTray(QWidget *parent, const char *name);
    MTray(QWidget *parent, const QString &name);
    // Writes the tray file first.
    ~MTray() override;

    // Appends the item unless another item of the tray has its non-empty name (then the
    // status bar says so and the item goes); the item added, or null.
    TrayItem *AddItem(std::unique_ptr<TrayItem> item);
    // Inserts without the name check (at or below 0 the front, past the end the end).
    TrayItem *InsertItem(std::unique_ptr<TrayItem> item, int index);
    std::vector<TrayItem *> GetItems() const;
    TrayItemList *GetGrid() const { return m_pGrid; }
    // The checked button, or null.
    QTrayItem *GetCurrentButton() const;

    // Presses the button at 1-based `position` and remembers the one before.
    void Select(int position);
    void MarkTemporary() { m_bReturn = true; }
    // Back to the position before the last Select, once after each MarkTemporary.
    void Restore();

    // The tray file's name: "<trays folder>/trays/<tray name>.txt"; empty when the
    // tray's name cannot name a file.
    QString FilePath() const;
    // Writes the items (bookmarks aside); false when the file could not be written, or
    // when Load refused it (it stays as it is).
    bool Save() const;
    // Adds the items of the tray file; a file that is no regular file within the tray
    // file's bounds is not read, and the user is told.
    void Load();
    // A new name for the tray: its file moves with it (the caller checks the name).
    void SetTrayName(const QString &name);

    void Refresh() override;
    // Brings the tray's page forward in its tab panel, or the tray's window.
    void BringForward();

    QMenu *GetMenu() const { return m_pMenu; }
    QAction *GetDeleteAction() const { return m_pDelete; }
    QAction *GetRenameAction() const { return m_pRename; }
    QToolButton *GetMenuButton() const { return m_pMenuButton; }

    static MTray *First() { return static_cast<MTray *>(s_chain.First()); }

    bool eventFilter(QObject *watched, QEvent *event) override;

public slots:
    void slotTrayItemToggled(bool on);
    void slotInsertNewItem(GUI::QTrayItem *button);
    void slotAdd(const QString &kind);
    void slotDelete();
    void slotRename();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void CreateMenu();
    void CreateWidgets();
    void UpdateActions();
    void FitGrid();
    void OnButtonTaken(QTrayItem *button);

    TrayItemList *m_pGrid = nullptr;
    QScrollArea *m_pScroll = nullptr;
    QToolButton *m_pMenuButton = nullptr;
    QMenu *m_pMenu = nullptr;
    QAction *m_pDelete = nullptr;
    QAction *m_pRename = nullptr;
    QPointer<QTrayItem> m_pCurrent;
    int m_iPosition = 1;
    int m_iPrevious = 1;
    bool m_bReturn = false;
    // The file was there but not read: saving the items shown would replace it unseen.
    bool m_bFileRefused = false;

    static DialogChain s_chain;
};

// --- the chain -----------------------------------------------------------------------
// The first live tray of that name (locale-aware comparison), or null.
MTray *FindTray(const QString &name);
// The live trays, oldest first.
std::vector<MTray *> AllTrays();
// The names of the live trays, oldest first.
QStringList TrayNames();
// `base` when no tray has that name, else "<base> 2", "<base> 3", ...
QString FreeTrayName(const QString &base);
// Repaints the buttons whose item is of `type` in every tray; an empty type, every button.
void RepaintTrayItems(const QString &type = QString());
// In every tray: presses the buttons of that type and name, releases the others.
void CheckTrayItemByName(const QString &type, const QString &name);
void SelectTrayItem(const QString &tray, int position);
void MarkTraySelectionTemporary(const QString &tray);
void RestoreTraySelection(const QString &tray);

}  // namespace GUI
