#pragma once

// The rows of a list view and their Qt model (framework-internal).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <QAbstractTableModel>
#include <QTimer>

class ListModel : public QAbstractTableModel {
public:
    static constexpr int kMaxColumns = 4;

    explicit ListModel(QObject* parent);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    int AddColumn(int nCol, const QString& heading, int format);
    QString Heading(int nCol) const;

    int Count() const { return static_cast<int>(m_rows.size()); }
    int Find(std::string_view text) const;
    int Insert(int item, std::string_view text);
    bool SetText(int item, int column, std::string_view text);
    std::string Text(int item, int column) const;
    bool SetData(int item, void* data);
    void* Data(int item) const;
    void Clear();
    void Sort(int (*compare)(const void*, const void*, std::intptr_t), std::intptr_t param);
    void Flush();

private:
    // One row: its texts end to end in one string, and where each ends.
    struct Row {
        std::string text;
        void* data = nullptr;
        std::uint16_t end[kMaxColumns - 1] = {};
        // Top bits of the folded column-0 hash, set when indexed: a probe
        // compares it before the text (it fits in the row's padding).
        std::uint16_t hashTag = 0;
    };

    // Rows are stored bottom first, so the top row is the back of the vector
    // and inserting at the top appends.
    std::size_t Slot(int item) const { return m_rows.size() - 1 - static_cast<std::size_t>(item); }
    static std::string_view Column(const Row& row, int column);
    static std::uint64_t HashFolded(std::string_view text);
    static bool EqualFolded(std::string_view a, std::string_view b);

    // Open-addressing index of the rows by folded column-0 text; slots hold
    // vector positions, -1 when empty.
    void IndexAdd(std::uint32_t pos);
    void IndexRemove(std::uint32_t pos);
    void IndexRebuild();

    std::vector<Row> m_rows;
    std::vector<std::int32_t> m_index;
    std::size_t m_indexMask = 0;
    std::vector<QString> m_headings;
    std::vector<int> m_formats;
    int m_pending = 0;  // rows at the top the view has not been told about
    QTimer m_flushTimer;
};
