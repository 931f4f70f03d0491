// The macro library as a tree: folders and macros as name.bin's list sets
// describe them, the selected item (whose chain of names is the library's
// selection path) and the commands of the macro editor's tree (new, rename,
// delete, import, batch import and export). Every command makes the same
// calls on the library, in the same order, as the tree panel always did, so
// name.bin and the macro files come out alike whoever edits the library:
// the window or kesta-ctl.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QAbstractItemModel>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

class Operations;
class MacroLibrary;
class QQmlEngine;
class QJSEngine;

class MacroTreeModel : public QAbstractItemModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    // The selected item; level, type -1 and an empty name when none is.
    Q_PROPERTY(int currentLevel READ currentLevel NOTIFY selectionChanged)
    Q_PROPERTY(int currentType READ currentType NOTIFY selectionChanged)
    Q_PROPERTY(QString currentName READ currentName NOTIFY selectionChanged)
    // Its chain of names, from the top folder down to the item itself, and
    // the same joined with "/" (no name holds one).
    Q_PROPERTY(QStringList selectedPath READ selectedPath NOTIFY selectionChanged)
    Q_PROPERTY(QString selectedChain READ selectedChain NOTIFY selectionChanged)
    // The rows of its ancestors at levels 0 to 4 in their folders (-1 where
    // there is none), as the list sets store them.
    Q_PROPERTY(QList<int> selectedRows READ selectedRows NOTIFY selectionChanged)

public:
    enum Role { NameRole = Qt::UserRole + 1, TypeRole, LevelRole, IsFolderRole, PathRole };
    Q_ENUM(Role)

    // What a command made of the request: the page shows the warnings.
    enum Outcome {
        Done,
        Ignored,       // empty or unusable name, nothing selected, no library
        NameInFolder,  // "Already have a macro with the same name!"
        NameElsewhere, // a macro in another folder holds the name
        FolderTooDeep, // "Can't add a new folder!"
        NotWritten,    // the library refused a write; nothing is listed
        ListsShared,   // the folder's list set would be another's (listsSharedWith())
        ReservedName   // the name that pads name.bin's lists
    };
    Q_ENUM(Outcome)

    // A macro or folder is at most six levels deep; folders at the deepest
    // level hold nothing the tree shows.
    static constexpr int kMaxLevel = 5;
    static constexpr int kDeepestFolderWithChildren = 4;

    explicit MacroTreeModel(Operations &ops, QObject *parent = nullptr);
    ~MacroTreeModel() override;

    static MacroTreeModel *create(QQmlEngine *, QJSEngine *);

    // QAbstractItemModel
    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    bool hasChildren(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    int currentLevel() const;
    int currentType() const;
    QString currentName() const;
    Q_INVOKABLE QModelIndex currentIndex() const;
    QStringList selectedPath() const;
    QString selectedChain() const { return selectedPath().join(QLatin1Char('/')); }
    QList<int> selectedRows() const;

    // Reads the top of the tree from name.bin and clears the selection. A
    // folder's items are read when first asked for (its row count, an index
    // in it, a walk over it), so a large library opens at the cost of its
    // top and the folders that are opened.
    Q_INVOKABLE void load();

    // The item at a chain of names ("Folder", "Sub", "Macro"); the first of
    // a name wins where a folder lists one twice. Invalid when none.
    Q_INVOKABLE QModelIndex indexOf(const QStringList &chain) const;
    Q_INVOKABLE bool isFolder(const QModelIndex &index) const;

    // Selecting sets the library's selection path to the item's chain.
    Q_INVOKABLE void select(const QModelIndex &index);
    Q_INVOKABLE bool selectChain(const QStringList &chain);
    Q_INVOKABLE void clearSelection();
    // Hands the selected chain to the library again (after other code
    // pointed it elsewhere).
    Q_INVOKABLE void applySelectionPath() const;

    // Whether `name` may join the folder new items go to: the top when
    // nothing or a macro is selected, else the selected folder.
    Q_INVOKABLE int checkNewName(const QString &name, int type) const;

    // New macro (type 0) or folder (1) where new items go. `macroIndex` is
    // written into a new macro's file (the selected row, by custom).
    Q_INVOKABLE int createItem(const QString &name, int type, int macroIndex);
    // As above; `fill` runs between making the file and listing it (a macro
    // is never listed before its steps are in its file). When it fails the
    // file goes again and nothing is listed.
    int createItem(const QString &name, int type, int macroIndex,
                   const std::function<bool()> &fill);
    // Lists an item that the library already placed where new items go
    // (an imported macro); writes that folder's list set.
    Q_INVOKABLE int listItem(const QString &name, int type);

    // Deletes the selected item with everything below it; macroDeleted
    // comes for each macro name whose bindings played a macro that went.
    Q_INVOKABLE bool deleteSelected();
    // macroRenamed asks the listener to move the file or folder. NotWritten
    // when name.bin could not take the new name: the item keeps its old one
    // and macroRenamed comes again, the other way round.
    Q_INVOKABLE int renameSelected(const QString &newName);

    // The import of one .mc file (file dialog of the library) where new
    // items go. NameElsewhere when the library left it out for its name.
    Q_INVOKABLE int importMacro();
    // A folder of macros (folder dialog) as a new folder at the top; the
    // names the library left out are its refusedMacroNames().
    Q_INVOKABLE int batchImport();
    // Every folder's items, each folder with the selection path set to it.
    Q_INVOKABLE void batchExport();

    // The macros below `index` (the whole library for an invalid one), in
    // tree order.
    QStringList macroNames(const QModelIndex &index = {}) const;
    // Every item in tree order, folders open: name, type, level, indent
    // (the text margin the list sets store) and path (the chain of names).
    Q_INVOKABLE QVariantList items() const;
    // The folder whose list set the last ListsShared refusal would have
    // shared ("A/BD"; "/" for the top).
    Q_INVOKABLE QString listsSharedWith() const { return m_sharedWith; }
    // Folders of the loaded tree that share one list set already (a library
    // made before such names were refused), one entry per set: "A/BD = AB/D",
    // "/" standing for the top. A set shared only because the folders above
    // share theirs is not named again.
    Q_INVOKABLE QStringList sharedListSets() const;
    // Whether the last write of the name lists reached the disk: each write
    // holds every list, so after a command the last one tells.
    bool listsWritten() const { return m_lastWriteOk; }

signals:
    void selectionChanged();
    // The page's signals: bindings follow what happened to a macro.
    void macroDeleted(const QString &name);
    void macroRenamed(int level, int type, const QString &oldName, const QString &newName);
    // The steps shown belong to another item (or none) now.
    void selectedItemChanged();

private:
    struct Node {
        QString name;
        int type = 0; // 0 macro, 1 folder
        Node *parent = nullptr;
        // The folder's items; read from name.bin on first use (read).
        std::vector<std::unique_ptr<Node>> children;
        bool read = false;
    };
    // Where new items go: the folder and its level, and the name the list
    // write discards under (the selected item's for the top).
    struct Target {
        Node *folder;
        int level;
        QString name;
    };

    MacroLibrary *library() const;
    Node *nodeOf(const QModelIndex &index) const;
    QModelIndex indexOfNode(const Node *node) const;
    int rowOf(const Node *node) const;
    int levelOf(const Node *node) const; // -1 for the root
    QStringList chainOf(const Node *node) const;
    std::unique_ptr<Node> makeNode(const QString &name, int type, Node *parent) const;
    // A folder's items, read from name.bin first if they were not yet.
    const std::vector<std::unique_ptr<Node>> &childrenOf(const Node *node) const;
    void readChildren(Node *folder) const;
    // Reads every folder below `node` that was not read yet.
    void readBelow(const Node *node) const;
    // The chains of the folders name.bin lists below `chain`, read without
    // making items of them.
    void storedChains(const QStringList &chain, QList<QStringList> &out) const;
    Target target() const;
    bool nameTaken(const QString &name, const Target &where) const;
    Node *append(const Target &where, const QString &name, int type);
    void removeLast(Node *folder);
    void writeLists(int att, int level, const QString &name, const Node *folder) const;
    void setSelectionPath(const QStringList &chain) const;
    void rewriteFolderSets(const Node *folder);
    void writeSetsFromDisk(Node *folder);
    void folderPrefixes(const Node *node, const QString &above, QStringList &out) const;
    void listChains(const Node *node, const QStringList &chain, const Node *skip,
                    QList<QStringList> &out) const;
    bool sharesLists(const QList<QStringList> &chains, const Node *moving) const;
    QString fileOf(const QStringList &chain, bool folder) const;
    static QList<QStringList> importedChains(const QString &source, const QStringList &chain);
    void collectMacros(const Node *node, QStringList &out) const;
    void collectItems(const Node *node, QVariantList &out) const;
    void exportItems(int level, const Node *folder) const;
    void exportBelow(const Node *folder);
    void setCurrent(Node *node);

    Operations &m_ops;
    std::unique_ptr<Node> m_root;
    Node *m_current = nullptr;
    mutable bool m_lastWriteOk = true; // what the last list write returned
    mutable QString m_sharedWith;
};
