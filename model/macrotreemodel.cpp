#include "model/macrotreemodel.h"

#include "macro/macrolibrary.h"
#include "macro/macropaths.h"
#include "model/models.h"
#include "settings/settingsstore.h"
#include "view/operations.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QSet>

namespace {

QVariantList variants(const QStringList &list)
{
    QVariantList out;
    out.reserve(list.size());
    for (const QString &s : list)
        out.append(s);
    return out;
}

} // namespace

MacroTreeModel::MacroTreeModel(Operations &ops, QObject *parent)
    : QAbstractItemModel(parent), m_ops(ops), m_root(std::make_unique<Node>())
{
    m_root->type = 1;
}

MacroTreeModel::~MacroTreeModel() = default;

MacroTreeModel *MacroTreeModel::create(QQmlEngine *, QJSEngine *)
{
    Models *models = Models::instance();
    return Models::expose(models ? models->macroTree() : nullptr);
}

MacroLibrary *MacroTreeModel::library() const
{
    return m_ops.macros();
}

// ---- QAbstractItemModel ------------------------------------------------------

MacroTreeModel::Node *MacroTreeModel::nodeOf(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != this)
        return m_root.get();
    return static_cast<Node *>(index.internalPointer());
}

QModelIndex MacroTreeModel::index(int row, int column, const QModelIndex &parent) const
{
    const auto &children = childrenOf(nodeOf(parent));
    if (column != 0 || row < 0 || row >= int(children.size()))
        return {};
    return createIndex(row, 0, children[row].get());
}

QModelIndex MacroTreeModel::parent(const QModelIndex &child) const
{
    if (!child.isValid())
        return {};
    return indexOfNode(nodeOf(child)->parent);
}

int MacroTreeModel::rowCount(const QModelIndex &parent) const
{
    if (parent.column() > 0)
        return 0;
    return int(childrenOf(nodeOf(parent)).size());
}

// A folder not read yet may hold items: it is read when opened.
bool MacroTreeModel::hasChildren(const QModelIndex &parent) const
{
    if (parent.column() > 0)
        return false;
    const Node *node = nodeOf(parent);
    if (node->type != 1 || levelOf(node) > kDeepestFolderWithChildren)
        return false;
    return !node->read || !node->children.empty();
}

int MacroTreeModel::columnCount(const QModelIndex &) const
{
    return 1;
}

QVariant MacroTreeModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const Node *node = nodeOf(index);
    switch (role) {
    case Qt::DisplayRole:
    case NameRole:
        return node->name;
    case TypeRole:
        return node->type;
    case LevelRole:
        return levelOf(node);
    case IsFolderRole:
        return node->type == 1;
    case PathRole:
        return chainOf(node);
    default:
        return {};
    }
}

QHash<int, QByteArray> MacroTreeModel::roleNames() const
{
    return {{Qt::DisplayRole, "display"}, {NameRole, "name"},         {TypeRole, "type"},
            {LevelRole, "level"},         {IsFolderRole, "isFolder"}, {PathRole, "path"}};
}

QModelIndex MacroTreeModel::indexOfNode(const Node *node) const
{
    if (!node || node == m_root.get())
        return {};
    return createIndex(rowOf(node), 0, const_cast<Node *>(node));
}

int MacroTreeModel::rowOf(const Node *node) const
{
    if (!node->parent)
        return -1;
    const auto &siblings = node->parent->children;
    for (size_t i = 0; i < siblings.size(); ++i) {
        if (siblings[i].get() == node)
            return int(i);
    }
    return -1;
}

int MacroTreeModel::levelOf(const Node *node) const
{
    int level = -1;
    for (const Node *n = node; n && n != m_root.get(); n = n->parent)
        ++level;
    return level;
}

QStringList MacroTreeModel::chainOf(const Node *node) const
{
    QStringList chain;
    for (const Node *n = node; n && n != m_root.get(); n = n->parent)
        chain.prepend(n->name);
    return chain;
}

// ---- Selection -------------------------------------------------------------------

int MacroTreeModel::currentLevel() const
{
    return m_current ? levelOf(m_current) : -1;
}

int MacroTreeModel::currentType() const
{
    return m_current ? m_current->type : -1;
}

QString MacroTreeModel::currentName() const
{
    return m_current ? m_current->name : QString();
}

QModelIndex MacroTreeModel::currentIndex() const
{
    return indexOfNode(m_current);
}

QStringList MacroTreeModel::selectedPath() const
{
    return chainOf(m_current);
}

QList<int> MacroTreeModel::selectedRows() const
{
    QList<int> rows(5, -1);
    if (!m_current)
        return rows;
    for (const Node *n = m_current->parent; n && n != m_root.get(); n = n->parent) {
        const int level = levelOf(n);
        if (level < 5)
            rows[level] = rowOf(n);
    }
    return rows;
}

QModelIndex MacroTreeModel::indexOf(const QStringList &chain) const
{
    const Node *folder = m_root.get();
    const Node *found = nullptr;
    for (const QString &name : chain) {
        found = nullptr;
        for (const auto &child : childrenOf(folder)) {
            if (child->name == name) {
                found = child.get();
                break;
            }
        }
        if (!found)
            return {};
        folder = found;
    }
    return indexOfNode(found);
}

bool MacroTreeModel::isFolder(const QModelIndex &index) const
{
    return index.isValid() && nodeOf(index)->type == 1;
}

void MacroTreeModel::setSelectionPath(const QStringList &chain) const
{
    if (MacroLibrary *lib = library())
        lib->setMacroSelectName(chain.value(0), chain.value(1), chain.value(2), chain.value(3),
                                chain.value(4));
}

void MacroTreeModel::applySelectionPath() const
{
    setSelectionPath(chainOf(m_current));
}

void MacroTreeModel::setCurrent(Node *node)
{
    m_current = node;
    applySelectionPath();
    emit selectionChanged();
    emit selectedItemChanged();
}

void MacroTreeModel::select(const QModelIndex &index)
{
    if (index.isValid() && index.model() == this)
        setCurrent(nodeOf(index));
}

bool MacroTreeModel::selectChain(const QStringList &chain)
{
    const QModelIndex index = indexOf(chain);
    if (!index.isValid())
        return false;
    select(index);
    return true;
}

void MacroTreeModel::clearSelection()
{
    setCurrent(nullptr);
}

// ---- Reading name.bin ----------------------------------------------------------------

std::unique_ptr<MacroTreeModel::Node> MacroTreeModel::makeNode(const QString &name, int type,
                                                               Node *parent) const
{
    auto node = std::make_unique<Node>();
    node->name = name;
    node->type = type == 1 ? 1 : 0;
    node->parent = parent;
    return node;
}

void MacroTreeModel::load()
{
    beginResetModel();
    m_current = nullptr;
    m_root->children.clear();
    m_root->read = false;
    readChildren(m_root.get());
    endResetModel();
    clearSelection();
}

const std::vector<std::unique_ptr<MacroTreeModel::Node>> &
MacroTreeModel::childrenOf(const Node *node) const
{
    if (!node->read)
        readChildren(const_cast<Node *>(node));
    return node->children;
}

// The views are told of no rows before they ask for them, so the items
// come in without notice.
void MacroTreeModel::readChildren(Node *folder) const
{
    folder->read = true;
    MacroLibrary *lib = library();
    if (!lib || folder->type != 1 || levelOf(folder) > kDeepestFolderWithChildren)
        return;
    const QStringList chain = chainOf(folder);
    const QStringList names =
        SettingsStore::dropPadding(lib->folderList(chain, QStringLiteral("macroName")));
    const QStringList types =
        SettingsStore::dropPadding(lib->folderList(chain, QStringLiteral("macroType")));
    folder->children.clear();
    folder->children.reserve(names.size());
    for (int i = 0; i < names.size(); ++i)
        folder->children.push_back(makeNode(names.at(i), types.value(i).toInt(), folder));
}

void MacroTreeModel::readBelow(const Node *node) const
{
    for (const auto &child : childrenOf(node)) {
        if (child->type == 1)
            readBelow(child.get());
    }
}

void MacroTreeModel::storedChains(const QStringList &chain, QList<QStringList> &out) const
{
    if (chain.size() > kDeepestFolderWithChildren ||
        !library()->listSetMayHoldFolders(MacroPaths::listPrefix(chain)))
        return;
    const QStringList names =
        SettingsStore::dropPadding(library()->folderList(chain, QStringLiteral("macroName")));
    const QStringList types =
        SettingsStore::dropPadding(library()->folderList(chain, QStringLiteral("macroType")));
    for (int i = 0; i < names.size(); ++i) {
        if (types.value(i).toInt() != 1)
            continue;
        const QStringList sub = chain + QStringList{names.at(i)};
        out.append(sub);
        storedChains(sub, out);
    }
}

// ---- Writing name.bin -------------------------------------------------------------------

// A folder's (or the top's) ten child lists, as the library stores them:
// name, type, folder icon, text margin, level and the rows of the ancestors.
void MacroTreeModel::writeLists(int att, int level, const QString &name, const Node *folder) const
{
    MacroLibrary *lib = library();
    QStringList lists[10];
    for (const auto &child : childrenOf(folder)) {
        const int childLevel = levelOf(child.get());
        int ancestors[5] = {-1, -1, -1, -1, -1};
        for (const Node *n = child->parent; n && n != m_root.get(); n = n->parent) {
            const int at = levelOf(n);
            if (at < 5)
                ancestors[at] = rowOf(n);
        }
        lists[0].append(child->name);
        lists[1].append(QString::number(child->type));
        lists[2].append(child->type == 1 ? QStringLiteral("true") : QStringLiteral("false"));
        lists[3].append(QString::number(5 + 20 * childLevel + 20 * child->type));
        lists[4].append(QString::number(childLevel));
        for (int k = 0; k < 5; ++k)
            lists[5 + k].append(QString::number(ancestors[k]));
    }
    m_lastWriteOk = lib->updataMacroList(att, level, name, variants(lists[0]), variants(lists[1]),
                                         variants(lists[2]), variants(lists[3]), variants(lists[4]),
                                         variants(lists[5]), variants(lists[6]), variants(lists[7]),
                                         variants(lists[8]), variants(lists[9]));
}

// ---- New items -------------------------------------------------------------------------

MacroTreeModel::Target MacroTreeModel::target() const
{
    if (!m_current || m_current->type != 1)
        return {m_root.get(), 0, currentName()};
    return {m_current, levelOf(m_current) + 1, m_current->name};
}

// The names stored for the target's list, and those the tree shows.
bool MacroTreeModel::nameTaken(const QString &name, const Target &where) const
{
    MacroLibrary *lib = library();
    QStringList stored;
    if (where.level == 0) {
        stored = SettingsStore::dropPadding(lib->getNameList(0));
    } else {
        lib->setMacroLevel(QString::number(where.level));
        stored = SettingsStore::dropPadding(lib->getMacroSubList_Att(4, where.name));
    }
    if (stored.contains(name))
        return true;
    for (const auto &child : childrenOf(where.folder)) {
        if (child->name == name)
            return true;
    }
    return false;
}

int MacroTreeModel::checkNewName(const QString &name, int type) const
{
    MacroLibrary *lib = library();
    if (!lib || !MacroPaths::isSafeName(name))
        return Ignored;
    if (MacroPaths::isReservedName(name))
        return ReservedName;
    if (type == 1 && m_current && m_current->type == 1 &&
        levelOf(m_current) >= kDeepestFolderWithChildren)
        return FolderTooDeep;
    applySelectionPath();
    if (nameTaken(name, target()))
        return NameInFolder;
    if (type == 1 && sharesLists({chainOf(target().folder) << name}, nullptr))
        return ListsShared;
    // Buttons bind macros by name, so one name is one macro library-wide.
    if (type == 0 && lib->isMacroNameTaken(name))
        return NameElsewhere;
    return Done;
}

MacroTreeModel::Node *MacroTreeModel::append(const Target &where, const QString &name, int type)
{
    const int row = int(childrenOf(where.folder).size());
    beginInsertRows(indexOfNode(where.folder), row, row);
    where.folder->children.push_back(makeNode(name, type, where.folder));
    where.folder->children.back()->read = true; // nothing is stored below a new item
    endInsertRows();
    return where.folder->children.back().get();
}

void MacroTreeModel::removeLast(Node *folder)
{
    const int row = int(folder->children.size()) - 1;
    beginRemoveRows(indexOfNode(folder), row, row);
    folder->children.pop_back();
    endRemoveRows();
}

int MacroTreeModel::createItem(const QString &name, int type, int macroIndex)
{
    return createItem(name, type, macroIndex, {});
}

namespace {

// What a create that could not be listed leaves behind goes again: the new
// macro file, or the new folder while it is empty (a folder that was there
// before keeps whatever it holds).
void forget(MacroLibrary *lib, int level, int type, const QString &name)
{
    if (type == 0)
        lib->deleteMacroIni(level, 0, name);
    else
        lib->removeEmptyFolder(level, name);
}

} // namespace

int MacroTreeModel::createItem(const QString &name, int type, int macroIndex,
                               const std::function<bool()> &fill)
{
    type = type == 1 ? 1 : 0;
    const int check = checkNewName(name, type);
    if (check != Done)
        return check;
    MacroLibrary *lib = library();
    const Target where = target();
    applySelectionPath();
    if (!lib->createMacroIni(name, qMax(macroIndex, 0), where.level, type))
        return NotWritten;
    if (fill && !fill()) {
        applySelectionPath();
        forget(lib, where.level, type, name);
        return NotWritten;
    }
    append(where, name, type);
    writeLists(0, where.level, where.level == 0 ? currentName() : where.name, where.folder);
    if (!m_lastWriteOk) {
        // Listed nowhere, so the new file or folder must not stay either.
        removeLast(where.folder);
        applySelectionPath();
        forget(lib, where.level, type, name);
        return NotWritten;
    }
    return Done;
}

int MacroTreeModel::listItem(const QString &name, int type)
{
    if (!library() || !MacroPaths::isSafeName(name))
        return Ignored;
    const Target where = target();
    append(where, name, type == 1 ? 1 : 0);
    applySelectionPath();
    writeLists(0, where.level, where.level == 0 ? currentName() : where.name, where.folder);
    if (!m_lastWriteOk) {
        removeLast(where.folder);
        return NotWritten;
    }
    return Done;
}

// ---- Delete and rename -------------------------------------------------------------------

// The name.bin prefixes of a folder and of every folder below it.
void MacroTreeModel::folderPrefixes(const Node *node, const QString &above, QStringList &out) const
{
    if (node->type != 1)
        return;
    const bool top = node == m_root.get();
    const QString own = top ? QString() : above + node->name;
    if (!top)
        out.append(own);
    for (const auto &child : childrenOf(node))
        folderPrefixes(child.get(), own, out);
}

// The chains of the folders from `node` down that keep a list set (the top's
// is empty), leaving out `skip` and what is below it.
void MacroTreeModel::listChains(const Node *node, const QStringList &chain, const Node *skip,
                                QList<QStringList> &out) const
{
    if (node == skip || node->type != 1 || chain.size() > kDeepestFolderWithChildren + 1)
        return;
    out.append(chain);
    if (!node->read && library()) {
        // What is stored below a folder nobody opened is read as chains
        // alone: the check need not make an item of every macro.
        storedChains(chain, out);
        return;
    }
    for (const auto &child : node->children)
        listChains(child.get(), chain + QStringList{child->name}, skip, out);
}

namespace {

QString shownChain(const QStringList &chain)
{
    return chain.isEmpty() ? QStringLiteral("/") : chain.join(QLatin1Char('/'));
}

} // namespace

// The macro file (or folder) of the item at `chain` on disk.
QString MacroTreeModel::fileOf(const QStringList &chain, bool folder) const
{
    MacroPaths::SelectionPath selection;
    for (int i = 0; i + 1 < chain.size() && i < MacroPaths::kMaxLevel; ++i)
        selection.names[i] = chain.at(i);
    return MacroPaths::itemPath(library()->libraryRoot(), selection, int(chain.size()) - 1,
                                chain.value(chain.size() - 1), folder);
}

// Folder names are joined into list prefixes with nothing between them, so
// two folders can meet under one prefix and would then show (and overwrite)
// each other's items. Whether a folder at one of `chains` would meet the top
// or a folder outside `moving` (a folder being renamed, or none).
bool MacroTreeModel::sharesLists(const QList<QStringList> &chains, const Node *moving) const
{
    QList<QStringList> held;
    listChains(m_root.get(), {}, moving, held);
    for (const QStringList &chain : chains) {
        const QString prefix = MacroPaths::listPrefix(chain);
        for (const QStringList &other : std::as_const(held)) {
            if (MacroPaths::listPrefix(other) == prefix) {
                m_sharedWith = shownChain(other);
                return true;
            }
        }
    }
    return false;
}

QStringList MacroTreeModel::sharedListSets() const
{
    QList<QStringList> chains;
    listChains(m_root.get(), {}, nullptr, chains);
    QMap<QString, QList<QStringList>> byPrefix;
    for (const QStringList &chain : std::as_const(chains))
        byPrefix[MacroPaths::listPrefix(chain)].append(chain);
    QStringList out;
    for (const QList<QStringList> &group : std::as_const(byPrefix)) {
        if (group.size() < 2)
            continue;
        // Folders of one name whose parents share a set share theirs too:
        // only where the sharing starts is worth naming.
        QSet<QString> parents;
        for (const QStringList &chain : group)
            parents.insert(chain.isEmpty()
                               ? QStringLiteral("/")
                               : MacroPaths::listPrefix(chain.mid(0, chain.size() - 1)));
        if (parents.size() == 1 && !parents.contains(QStringLiteral("/")))
            continue;
        QStringList shown;
        for (const QStringList &chain : group) {
            if (!chain.isEmpty())
                shown.append(shownChain(chain));
        }
        if (shown.size() < group.size())
            shown.append(shownChain({}));
        out.append(shown.join(QStringLiteral(" = ")));
    }
    return out;
}

void MacroTreeModel::collectMacros(const Node *node, QStringList &out) const
{
    for (const auto &child : childrenOf(node)) {
        if (child->type == 0)
            out.append(child->name);
        else
            collectMacros(child.get(), out);
    }
}

QStringList MacroTreeModel::macroNames(const QModelIndex &index) const
{
    QStringList out;
    collectMacros(nodeOf(index), out);
    return out;
}

void MacroTreeModel::collectItems(const Node *node, QVariantList &out) const
{
    for (const auto &child : childrenOf(node)) {
        const int level = levelOf(child.get());
        out.append(QVariantMap{{QStringLiteral("name"), child->name},
                               {QStringLiteral("type"), child->type},
                               {QStringLiteral("level"), level},
                               {QStringLiteral("indent"), 5 + 20 * level + 20 * child->type},
                               {QStringLiteral("path"), chainOf(child.get())}});
        collectItems(child.get(), out);
    }
}

QVariantList MacroTreeModel::items() const
{
    QVariantList out;
    collectItems(m_root.get(), out);
    return out;
}

bool MacroTreeModel::deleteSelected()
{
    MacroLibrary *lib = library();
    if (!lib || !m_current)
        return false;
    Node *node = m_current;
    Node *parent = node->parent;
    const QStringList chain = chainOf(node);
    const QString name = node->name;
    const int level = levelOf(node);
    const int type = node->type;
    const int row = rowOf(node);

    // Only the deleted folder's own list sets go (those no other folder
    // shares); other folders keep their stored children.
    QStringList dropped;
    folderPrefixes(node, chainOf(parent).join(QString()), dropped);
    readBelow(node); // what it held is named below, after it left the tree
    m_current = nullptr;
    beginRemoveRows(indexOfNode(parent), row, row);
    std::unique_ptr<Node> removed = std::move(parent->children[row]);
    parent->children.erase(parent->children.begin() + row);
    removed->parent = nullptr;
    endRemoveRows();
    // Every list set goes in one write of name.bin.
    MacroLibrary::ListBatch batch(lib);
    if (!dropped.isEmpty()) {
        QList<QStringList> chains;
        listChains(m_root.get(), {}, nullptr, chains);
        QSet<QString> kept;
        for (const QStringList &c : std::as_const(chains))
            kept.insert(MacroPaths::listPrefix(c));
        setSelectionPath(chain);
        for (const QString &prefix : dropped) {
            if (!kept.contains(prefix))
                lib->updataMacroList_delOld(prefix);
        }
    }
    // Buttons bound to a deleted macro get their saved assignment back. A
    // binding names a macro alone and plays the first file of that name, so
    // only the names whose played file goes are released: a macro of the
    // same name elsewhere keeps its buttons (bindings name macros, not
    // folders).
    QStringList inside;
    if (type == 0)
        inside.append(name);
    else
        collectMacros(removed.get(), inside);
    const QString gone = fileOf(chain, type == 1);
    QStringList released;
    for (const QString &macro : inside) {
        if (!released.contains(macro) && lib->bindingPlaysFrom(macro, gone))
            released.append(macro);
    }
    for (const QString &macro : released)
        emit macroDeleted(macro);
    setSelectionPath(chain);
    lib->deleteMacroIni(level, type, name);
    setSelectionPath(chain);
    writeLists(1, level, name, parent);
    m_lastWriteOk = batch.end();
    clearSelection();
    return true;
}

int MacroTreeModel::renameSelected(const QString &newName)
{
    MacroLibrary *lib = library();
    if (!lib || !m_current || newName.isEmpty() || newName == m_current->name ||
        !MacroPaths::isSafeName(newName))
        return Ignored;
    if (MacroPaths::isReservedName(newName))
        return ReservedName;
    Node *node = m_current;
    const int level = levelOf(node);
    const int type = node->type;
    const QString oldName = node->name;
    // Two items of one folder never share a name: the file would not
    // follow, and the list would name it twice.
    const Target where{node->parent, level,
                       node->parent == m_root.get() ? QString() : node->parent->name};
    applySelectionPath();
    if (nameTaken(newName, where)) {
        applySelectionPath();
        return NameInFolder;
    }
    if (type == 0 && lib->isMacroNameTaken(newName)) {
        applySelectionPath();
        return NameElsewhere;
    }
    if (type == 1) {
        // The folder and those below it, at any depth, take new prefixes.
        // The chains below are read under the old name (what is stored
        // below a folder nobody opened is found only there), then renamed.
        const int at = levelOf(node);
        QList<QStringList> moved;
        listChains(node, chainOf(node), nullptr, moved);
        for (QStringList &chain : moved)
            chain[at] = newName;
        if (sharesLists(moved, node)) {
            applySelectionPath();
            return ListsShared;
        }
    }
    // Its items are read under the old name, before it changes.
    readBelow(node);
    MacroLibrary::ListBatch batch(lib);
    const QStringList oldChain = chainOf(node);
    node->name = newName;
    const QModelIndex index = indexOfNode(node);
    emit dataChanged(index, index);
    setSelectionPath(oldChain);
    // The walk drops the sets under the top folder the item is in, to be
    // written again below. A macro at the top is in no folder: its name may
    // well be a folder's prefix ("AB" for A/B), whose set must stay.
    if (level > 0 || type == 1)
        lib->searchMacroFile_sub_batch(oldChain.value(0), 0, 0);
    writeLists(1, level, newName, node->parent);
    emit macroRenamed(level, type, oldName, newName);
    if ((type == 1 && level == 0) || level >= 1) {
        Node *top = node;
        while (top->parent != m_root.get())
            top = top->parent;
        rewriteFolderSets(top);
    }
    m_lastWriteOk = batch.end();
    if (!m_lastWriteOk) {
        // name.bin still lists the old name (a full disk, say): the item
        // takes it back, and whoever moved its file or folder on disk
        // moves it back, so the lists keep finding what they name.
        node->name = oldName;
        emit dataChanged(index, index);
        setSelectionPath(oldChain);
        emit macroRenamed(level, type, newName, oldName);
        applySelectionPath();
        emit selectionChanged();
        return NotWritten;
    }
    applySelectionPath();
    emit selectionChanged();
    return Done;
}

// Writes the list set of a folder and of every folder below it from the tree.
void MacroTreeModel::rewriteFolderSets(const Node *folder)
{
    const int level = levelOf(folder);
    if (folder->type != 1 || level > kDeepestFolderWithChildren)
        return;
    setSelectionPath(chainOf(folder));
    writeLists(0, level + 1, folder->name, folder);
    for (const auto &child : childrenOf(folder))
        rewriteFolderSets(child.get());
}

// ---- Import and export ---------------------------------------------------------------------

int MacroTreeModel::importMacro()
{
    MacroLibrary *lib = library();
    if (!lib)
        return Ignored;
    applySelectionPath();
    const QString name = lib->loadMacroFile(currentLevel(), currentType());
    int outcome = Ignored;
    const QStringList refused = lib->refusedMacroNames();
    if (name.isEmpty() && !refused.isEmpty())
        outcome = refused.contains(SettingsStore::paddingItem()) ? ReservedName : NameElsewhere;
    if (!name.isEmpty() && MacroPaths::isSafeName(name)) {
        const Target where = target();
        if (nameTaken(name, where))
            outcome = NameInFolder;
        else
            outcome = listItem(name, 0);
    }
    applySelectionPath();
    return outcome;
}

int MacroTreeModel::batchImport()
{
    MacroLibrary *lib = library();
    if (!lib)
        return Ignored;
    clearSelection();
    const QString name = lib->loadMacroFile_batch();
    if (name.isEmpty() && lib->refusedMacroNames().contains(SettingsStore::paddingItem()))
        return ReservedName;
    if (name.isEmpty() || !MacroPaths::isSafeName(name))
        return Ignored;
    const Target where = target();
    if (nameTaken(name, where))
        return NameInFolder;
    if (sharesLists(importedChains(lib->batchSourceFolder(), {name}), nullptr)) {
        // The library made the folder for the copies: it goes again.
        lib->removeEmptyFolder(0, name);
        return ListsShared;
    }
    lib->loadMacroFile_sub_batch();
    Node *node = append(where, name, 1);
    // The imported folders' lists come from what is on disk, each under its
    // true parent, all in one write of name.bin; then the tree reads them
    // back from name.bin as they are opened.
    MacroLibrary::ListBatch batch(lib);
    writeLists(0, 0, QString(), m_root.get());
    beginResetModel();
    writeSetsFromDisk(node);
    m_lastWriteOk = batch.end();
    node->children.clear();
    node->read = false;
    endResetModel();
    applySelectionPath();
    return Done;
}

// The folder chains a batch import of `source` as `chain` brings in, as
// the library copies them (named up to the first dot, five levels).
QList<QStringList> MacroTreeModel::importedChains(const QString &source, const QStringList &chain)
{
    QList<QStringList> out{chain};
    if (chain.size() > kDeepestFolderWithChildren)
        return out;
    const QFileInfoList subs =
        QDir(source).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &sub : subs) {
        const QString name = MacroPaths::baseNameToFirstDot(sub.fileName());
        if (MacroPaths::isSafeName(name) && !MacroPaths::isReservedName(name))
            out += importedChains(sub.filePath(), chain + QStringList{name});
    }
    return out;
}

void MacroTreeModel::writeSetsFromDisk(Node *folder)
{
    const int level = levelOf(folder);
    if (level > kDeepestFolderWithChildren)
        return;
    MacroLibrary *lib = library();
    const QStringList chain = chainOf(folder);
    setSelectionPath(chain);
    const QStringList entries = lib->macroFolderEntries(level, folder->name);
    folder->children.clear();
    folder->read = true;
    for (const QString &entry : entries) {
        const int type = entry.startsWith(QLatin1Char('1')) ? 1 : 0;
        if (type == 1 && level + 1 > kDeepestFolderWithChildren)
            continue;
        folder->children.push_back(makeNode(entry.mid(2), type, folder));
        folder->children.back()->read = type == 0;
    }
    for (const auto &child : folder->children) {
        if (child->type == 1)
            writeSetsFromDisk(child.get());
    }
    setSelectionPath(chain);
    writeLists(0, level + 1, folder->name, folder);
}

void MacroTreeModel::exportItems(int level, const Node *folder) const
{
    QVariantList names, types;
    for (const auto &child : childrenOf(folder)) {
        names.append(child->name);
        types.append(child->type);
    }
    library()->saveMacroFile_batch(level, names, types);
}

void MacroTreeModel::exportBelow(const Node *folder)
{
    for (const auto &child : childrenOf(folder)) {
        if (child->type != 1)
            continue;
        setSelectionPath(chainOf(child.get()));
        exportItems(levelOf(child.get()) + 1, child.get());
        exportBelow(child.get());
    }
}

void MacroTreeModel::batchExport()
{
    MacroLibrary *lib = library();
    if (!lib)
        return;
    lib->getbatchPath();
    setSelectionPath({});
    exportItems(0, m_root.get());
    exportBelow(m_root.get());
    applySelectionPath();
}
