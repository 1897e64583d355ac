#include "framework/ListModel.h"

#include <algorithm>
#include <numeric>

#include "framework/AfxTypes.h"
#include "framework/Ansi.h"

namespace {
char Fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr int kFrameMs = 16;
}  // namespace

ListModel::ListModel(QObject* parent) : QAbstractTableModel(parent) {
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(kFrameMs);
    QObject::connect(&m_flushTimer, &QTimer::timeout, this, [this] { Flush(); });
    m_index.assign(16, -1);
    m_indexMask = 15;
}

int ListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Count() - m_pending;
}

int ListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_headings.size());
}

QVariant ListModel::data(const QModelIndex& index, int role) const {
    const int item = index.row() + m_pending;
    if (!index.isValid() || item >= Count()) {
        return QVariant();
    }
    if (role == Qt::DisplayRole) {
        return afx::AnsiToDisplayLine(Column(m_rows[Slot(item)], index.column()));
    }
    if (role == Qt::TextAlignmentRole && index.column() < static_cast<int>(m_formats.size())) {
        const int f = m_formats[static_cast<std::size_t>(index.column())];
        return QVariant::fromValue(Qt::Alignment(
            (f == LVCFMT_RIGHT ? Qt::AlignRight : f == LVCFMT_CENTER ? Qt::AlignHCenter
                                                                     : Qt::AlignLeft) |
            Qt::AlignVCenter));
    }
    return QVariant();
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < static_cast<int>(m_headings.size())) {
        return m_headings[static_cast<std::size_t>(section)];
    }
    return QVariant();
}

Qt::ItemFlags ListModel::flags(const QModelIndex& index) const {
    return index.isValid() ? (Qt::ItemIsEnabled | Qt::ItemIsSelectable) : Qt::NoItemFlags;
}

int ListModel::AddColumn(int nCol, const QString& heading, int format) {
    if (static_cast<int>(m_headings.size()) >= kMaxColumns || nCol < 0) {
        return -1;
    }
    nCol = std::min(nCol, static_cast<int>(m_headings.size()));
    beginInsertColumns(QModelIndex(), nCol, nCol);
    m_headings.insert(m_headings.begin() + nCol, heading);
    m_formats.insert(m_formats.begin() + nCol, format);
    endInsertColumns();
    return nCol;
}

QString ListModel::Heading(int nCol) const {
    return nCol >= 0 && nCol < static_cast<int>(m_headings.size())
               ? m_headings[static_cast<std::size_t>(nCol)]
               : QString();
}

std::string_view ListModel::Column(const Row& row, int column) {
    if (column < 0 || column >= kMaxColumns) {
        return {};
    }
    const std::size_t begin = column == 0 ? 0 : row.end[column - 1];
    const std::size_t end = column == kMaxColumns - 1 ? row.text.size() : row.end[column];
    return std::string_view(row.text).substr(begin, end - begin);
}

std::uint64_t ListModel::HashFolded(std::string_view text) {
    std::uint64_t h = 1469598103934665603ull;
    for (char c : text) {
        h = (h ^ static_cast<unsigned char>(Fold(c))) * 1099511628211ull;
    }
    return h ^ (h >> 29);
}

bool ListModel::EqualFolded(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    if (a == b) {
        return true;  // the usual case: the same name advertised again
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Fold(a[i]) != Fold(b[i])) {
            return false;
        }
    }
    return true;
}

void ListModel::IndexAdd(std::uint32_t pos) {
    if ((m_rows.size() + 1) * 2 > m_index.size()) {
        IndexRebuild();  // includes pos; doubles the table
        return;
    }
    const std::uint64_t hash = HashFolded(Column(m_rows[pos], 0));
    m_rows[pos].hashTag = static_cast<std::uint16_t>(hash >> 48);
    std::size_t s = hash & m_indexMask;
    while (m_index[s] >= 0) {
        s = (s + 1) & m_indexMask;
    }
    m_index[s] = static_cast<std::int32_t>(pos);
}

void ListModel::IndexRemove(std::uint32_t pos) {
    std::size_t s = HashFolded(Column(m_rows[pos], 0)) & m_indexMask;
    while (m_index[s] >= 0 && m_index[s] != static_cast<std::int32_t>(pos)) {
        s = (s + 1) & m_indexMask;
    }
    if (m_index[s] < 0) {
        return;
    }
    // Backward-shift deletion keeps every probe chain unbroken.
    m_index[s] = -1;
    std::size_t next = (s + 1) & m_indexMask;
    while (m_index[next] >= 0) {
        const auto moved = static_cast<std::uint32_t>(m_index[next]);
        m_index[next] = -1;
        std::size_t t = HashFolded(Column(m_rows[moved], 0)) & m_indexMask;
        while (m_index[t] >= 0) {
            t = (t + 1) & m_indexMask;
        }
        m_index[t] = static_cast<std::int32_t>(moved);
        next = (next + 1) & m_indexMask;
    }
}

void ListModel::IndexRebuild() {
    std::size_t size = 16;
    while (size < m_rows.size() * 2 + 2) {
        size *= 2;
    }
    m_index.assign(size, -1);
    m_indexMask = size - 1;
    for (std::uint32_t p = 0; p < m_rows.size(); ++p) {
        const std::uint64_t hash = HashFolded(Column(m_rows[p], 0));
        m_rows[p].hashTag = static_cast<std::uint16_t>(hash >> 48);
        std::size_t s = hash & m_indexMask;
        while (m_index[s] >= 0) {
            s = (s + 1) & m_indexMask;
        }
        m_index[s] = static_cast<std::int32_t>(p);
    }
}

int ListModel::Find(std::string_view text) const {
    std::int32_t best = -1;  // the highest position is the row nearest the top
    const std::uint64_t hash = HashFolded(text);
    const auto tag = static_cast<std::uint16_t>(hash >> 48);
    for (std::size_t s = hash & m_indexMask; m_index[s] >= 0; s = (s + 1) & m_indexMask) {
        const std::int32_t pos = m_index[s];
        const Row& row = m_rows[static_cast<std::size_t>(pos)];
        if (pos > best && row.hashTag == tag && EqualFolded(Column(row, 0), text)) {
            best = pos;
        }
    }
    return best < 0 ? -1 : Count() - 1 - best;
}

int ListModel::Insert(int item, std::string_view text) {
    if (item < 0 || text.size() > 0xFFFF) {
        return -1;
    }
    item = std::min(item, Count());
    Row row;
    row.text.assign(text);
    for (auto& e : row.end) {
        e = static_cast<std::uint16_t>(text.size());
    }
    if (item == 0) {
        m_rows.push_back(std::move(row));
        IndexAdd(static_cast<std::uint32_t>(m_rows.size() - 1));
        ++m_pending;
        if (!m_flushTimer.isActive()) {
            m_flushTimer.start();
        }
        return 0;
    }
    Flush();
    beginInsertRows(QModelIndex(), item, item);
    m_rows.insert(m_rows.begin() + static_cast<std::ptrdiff_t>(m_rows.size() - item), std::move(row));
    IndexRebuild();
    endInsertRows();
    return item;
}

bool ListModel::SetText(int item, int column, std::string_view text) {
    if (item < 0 || item >= Count() || column < 0 || column >= kMaxColumns) {
        return false;
    }
    Row& row = m_rows[Slot(item)];
    const std::size_t begin = column == 0 ? 0 : row.end[column - 1];
    const std::size_t end = column == kMaxColumns - 1 ? row.text.size() : row.end[column];
    if (row.text.size() - (end - begin) + text.size() > 0xFFFF) {
        return false;
    }
    const auto pos = static_cast<std::uint32_t>(Slot(item));
    if (column == 0) {
        IndexRemove(pos);
    }
    std::string joined;
    joined.reserve(row.text.size() - (end - begin) + text.size());
    joined.append(row.text, 0, begin).append(text).append(row.text, end, std::string::npos);
    row.text = std::move(joined);
    const auto delta = static_cast<std::ptrdiff_t>(text.size()) - static_cast<std::ptrdiff_t>(end - begin);
    for (int c = column; c < kMaxColumns - 1; ++c) {
        row.end[c] = static_cast<std::uint16_t>(row.end[c] + delta);
    }
    if (column == 0) {
        IndexAdd(pos);
    }
    if (item >= m_pending) {
        const QModelIndex changed = index(item - m_pending, column);
        emit dataChanged(changed, changed, {Qt::DisplayRole});
    }
    return true;
}

std::string ListModel::Text(int item, int column) const {
    if (item < 0 || item >= Count()) {
        return {};
    }
    return std::string(Column(m_rows[Slot(item)], column));
}

bool ListModel::SetData(int item, void* data) {
    if (item < 0 || item >= Count()) {
        return false;
    }
    m_rows[Slot(item)].data = data;
    return true;
}

void* ListModel::Data(int item) const {
    return item >= 0 && item < Count() ? m_rows[Slot(item)].data : nullptr;
}

void ListModel::Clear() {
    beginResetModel();
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_pending = 0;
    m_flushTimer.stop();
    IndexRebuild();
    endResetModel();
}

void ListModel::Sort(int (*compare)(const void*, const void*, std::intptr_t), std::intptr_t param) {
    beginResetModel();
    m_pending = 0;
    m_flushTimer.stop();
    // Stable, in display order, so that sorting twice gives the same order.
    std::reverse(m_rows.begin(), m_rows.end());
    std::stable_sort(m_rows.begin(), m_rows.end(), [&](const Row& a, const Row& b) {
        return compare(a.data, b.data, param) < 0;
    });
    std::reverse(m_rows.begin(), m_rows.end());
    IndexRebuild();
    endResetModel();
}

void ListModel::Flush() {
    m_flushTimer.stop();
    if (m_pending == 0) {
        return;
    }
    beginInsertRows(QModelIndex(), 0, m_pending - 1);
    m_pending = 0;
    endInsertRows();
}
