#include "widgets/workbook.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QMimeData>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace qg::widgets {
namespace {

constexpr int kMinShownRows = 100;
constexpr int kMinShownColumns = 26;
constexpr int kDefaultWidth = 2560;  // ten characters

QString Letters(int column) { return QString::fromStdString(ColumnLetters(column)); }

bool LooksNumeric(const QString& text) {
  bool ok = false;
  text.toDouble(&ok);
  return ok;
}

QString TsvCell(const QString& text) {
  if (!text.contains(QLatin1Char('\t')) && !text.contains(QLatin1Char('\n')) &&
      !text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('"'))) {
    return text;
  }
  QString quoted = text;
  quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
  return QLatin1Char('"') + quoted + QLatin1Char('"');
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// SheetModel

SheetModel::SheetModel(QObject* parent) : QAbstractTableModel(parent) {
  shownRows_ = kMinShownRows;
  shownColumns_ = kMinShownColumns;
}

QString SheetModel::text(int row, int column) const {
  if (column < 1 || static_cast<std::size_t>(column) > columns_.size() || row < 1) return {};
  const auto& col = columns_[static_cast<std::size_t>(column) - 1];
  return static_cast<std::size_t>(row) <= col.size() ? col[static_cast<std::size_t>(row) - 1] : QString();
}

void SheetModel::grow(int row, int column) {
  // Rows are shown in doubling steps, so that filling row after row tells the view only a
  // logarithmic number of times.
  if (row > shownRows_) {
    int target = shownRows_;
    while (target < row) target = std::min(target * 2, kMaxRow);
    if (bulk_ == 0) beginInsertRows(QModelIndex(), shownRows_, target - 1);
    shownRows_ = target;
    if (bulk_ == 0) endInsertRows();
  }
  if (column > shownColumns_) {
    if (bulk_ == 0) beginInsertColumns(QModelIndex(), shownColumns_, column - 1);
    shownColumns_ = column;
    if (bulk_ == 0) endInsertColumns();
  }
}

bool SheetModel::setText(int row, int column, const QString& text) {
  if (row < 1 || row > kMaxRow || column < 1 || column > kMaxColumn) return false;
  const auto c = static_cast<std::size_t>(column) - 1;
  const auto r = static_cast<std::size_t>(row) - 1;
  if (text.isEmpty()) {
    if (c >= columns_.size() || r >= columns_[c].size()) return true;
    auto& col = columns_[c];
    col[r].clear();
    while (!col.empty() && col.back().isEmpty()) col.pop_back();
  } else {
    grow(row, column);
    if (c >= columns_.size()) columns_.resize(c + 1);
    auto& col = columns_[c];
    if (r >= col.size()) col.resize(r + 1);
    col[r] = text;
  }
  if (bulk_ == 0) {
    const QModelIndex i = index(row - 1, column - 1);
    emit dataChanged(i, i, {Qt::DisplayRole});
  }
  return true;
}

void SheetModel::clear() {
  beginResetModel();
  columns_.clear();
  shownRows_ = kMinShownRows;
  shownColumns_ = std::max(kMinShownColumns, static_cast<int>(headings_.size()));
  endResetModel();
}

int SheetModel::lastRow() const {
  std::size_t last = 0;
  for (const auto& col : columns_) last = std::max(last, col.size());
  return static_cast<int>(last);
}

int SheetModel::lastColumn() const {
  for (std::size_t c = columns_.size(); c > 0; --c) {
    if (!columns_[c - 1].empty()) return static_cast<int>(c);
  }
  return 0;
}

QString SheetModel::heading(int column) const {
  if (column >= 1 && static_cast<std::size_t>(column) <= headings_.size() &&
      !headings_[static_cast<std::size_t>(column) - 1].isEmpty()) {
    return headings_[static_cast<std::size_t>(column) - 1];
  }
  return Letters(column);
}

void SheetModel::setHeading(int column, const QString& heading) {
  if (column < 1 || column > kMaxColumn) return;
  grow(1, column);
  if (static_cast<std::size_t>(column) > headings_.size()) headings_.resize(static_cast<std::size_t>(column));
  headings_[static_cast<std::size_t>(column) - 1] = heading;
  if (bulk_ == 0) emit headerDataChanged(Qt::Horizontal, column - 1, column - 1);
}

void SheetModel::ensureShown(int rows, int columns) {
  grow(std::clamp(rows, 1, kMaxRow), std::clamp(columns, 1, kMaxColumn));
}

void SheetModel::beginBulk() {
  if (bulk_++ == 0) beginResetModel();
}

void SheetModel::endBulk() {
  if (bulk_ > 0 && --bulk_ == 0) endResetModel();
}

int SheetModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : shownRows_; }

int SheetModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : shownColumns_;
}

QVariant SheetModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  if (role == Qt::DisplayRole) return text(index.row() + 1, index.column() + 1);
  if (role == Qt::TextAlignmentRole) {
    const QString t = text(index.row() + 1, index.column() + 1);
    return QVariant::fromValue(Qt::AlignVCenter | (LooksNumeric(t) ? Qt::AlignRight : Qt::AlignLeft));
  }
  return {};
}

QVariant SheetModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, orientation, role);
  if (orientation == Qt::Horizontal) return heading(section + 1);
  return section + 1;
}

Qt::ItemFlags SheetModel::flags(const QModelIndex& index) const {
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

// ---------------------------------------------------------------------------------------------
// Sheet

Sheet::Sheet(QWidget* parent) : QWidget(parent), model_(new SheetModel(this)), view_(new QTableView(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(view_);
  view_->setModel(model_);
  view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view_->setSelectionBehavior(QAbstractItemView::SelectItems);
  view_->setWordWrap(false);
  view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Fixed heights keep scrolling through 100,000 rows free of per-row measuring.
  QHeaderView* rows = view_->verticalHeader();
  rows->setSectionResizeMode(QHeaderView::Fixed);
  rows->setDefaultSectionSize(view_->fontMetrics().height() + 6);
  view_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  view_->horizontalHeader()->setDefaultSectionSize(unitsToPixels(kDefaultWidth));
  // Columns set up during a bulk fill are new to the view only when the fill ends; their widths
  // and hidden states are given to it then.
  connect(model_, &QAbstractItemModel::modelReset, this, [this] { applyWidths(); });
}

void Sheet::applyWidths() {
  for (std::size_t c = 0; c < widths_.size(); ++c) {
    if (widths_[c] < 0) continue;
    const int column = static_cast<int>(c);
    view_->setColumnHidden(column, widths_[c] == 0);
    if (widths_[c] > 0) view_->setColumnWidth(column, unitsToPixels(widths_[c]));
  }
}

Sheet::~Sheet() = default;

QString Sheet::cellText(int row, int column) const { return model_->text(row, column); }
bool Sheet::setCellText(int row, int column, const QString& text) { return model_->setText(row, column, text); }
void Sheet::clear() { model_->clear(); }
int Sheet::lastRow() const { return model_->lastRow(); }
int Sheet::lastColumn() const { return model_->lastColumn(); }
QString Sheet::columnHeading(int column) const { return model_->heading(column); }
void Sheet::setColumnHeading(int column, const QString& heading) { model_->setHeading(column, heading); }

int Sheet::unitsToPixels(int units) const {
  const double digit = QFontMetricsF(view_->font()).horizontalAdvance(QLatin1Char('0'));
  return static_cast<int>(std::lround(units * digit / 256.0)) + 6;
}

int Sheet::columnWidth(int column) const {
  if (column < 1) return 0;
  const auto c = static_cast<std::size_t>(column) - 1;
  return c < widths_.size() && widths_[c] >= 0 ? widths_[c] : kDefaultWidth;
}

void Sheet::setColumnWidth(int column, int units) {
  if (column < 1 || column > kMaxColumn) return;
  units = std::clamp(units, 0, 255 * 256);
  model_->ensureShown(1, column);
  const auto c = static_cast<std::size_t>(column) - 1;
  if (c >= widths_.size()) widths_.resize(c + 1, -1);
  widths_[c] = units;
  if (units == 0) {
    view_->setColumnHidden(column - 1, true);
  } else {
    view_->setColumnHidden(column - 1, false);
    view_->setColumnWidth(column - 1, unitsToPixels(units));
  }
}

bool Sheet::isColumnHidden(int column) const { return column >= 1 && view_->isColumnHidden(column - 1); }

void Sheet::setColumnHidden(int column, bool hidden) {
  if (column < 1 || column > kMaxColumn) return;
  model_->ensureShown(1, column);
  if (!hidden && columnWidth(column) == 0) return;  // a zero width stays hidden
  view_->setColumnHidden(column - 1, hidden);
  if (!hidden) view_->setColumnWidth(column - 1, unitsToPixels(columnWidth(column)));
}

std::vector<CellRange> Sheet::selectedRanges() const {
  std::vector<CellRange> out;
  if (const QItemSelectionModel* sm = view_->selectionModel()) {
    for (const QItemSelectionRange& r : sm->selection()) {
      if (!r.isValid()) continue;
      out.push_back({{r.top() + 1, r.left() + 1}, {r.bottom() + 1, r.right() + 1}});
    }
  }
  std::sort(out.begin(), out.end(), [](const CellRange& a, const CellRange& b) {
    return a.first.row != b.first.row ? a.first.row < b.first.row : a.first.column < b.first.column;
  });
  return out;
}

QString Sheet::selectionText() const {
  const auto ranges = selectedRanges();
  if (ranges.empty()) {
    const QModelIndex current = view_->currentIndex();
    if (!current.isValid()) return QStringLiteral("A1");
    return QString::fromStdString(FormatCell({current.row() + 1, current.column() + 1}));
  }
  QStringList parts;
  for (const auto& r : ranges) parts << QString::fromStdString(FormatRange(r));
  return parts.join(QLatin1Char(','));
}

bool Sheet::setSelectionText(const QString& text) {
  const auto range = ParseRange(text.toStdString());
  if (!range) return false;
  model_->ensureShown(range->last.row, range->last.column);
  const QModelIndex tl = model_->index(range->first.row - 1, range->first.column - 1);
  const QModelIndex br = model_->index(range->last.row - 1, range->last.column - 1);
  view_->selectionModel()->setCurrentIndex(tl, QItemSelectionModel::NoUpdate);
  view_->selectionModel()->select(QItemSelection(tl, br), QItemSelectionModel::ClearAndSelect);
  return true;
}

QString Sheet::printArea() const {
  return printArea_ ? QString::fromStdString(FormatRange(*printArea_)) : QString();
}

bool Sheet::setPrintArea(const QString& text) {
  if (text.trimmed().isEmpty()) {
    printArea_.reset();
    return true;
  }
  const auto range = ParseRange(text.toStdString());
  if (!range) return false;
  printArea_ = range;
  return true;
}

std::optional<CellRange> Sheet::usedRange() const {
  if (printArea_) return printArea_;
  const int rows = lastRow(), cols = lastColumn();
  if (rows == 0 || cols == 0) return std::nullopt;
  return CellRange{{1, 1}, {rows, cols}};
}

namespace {

struct PrintMetrics {
  QFont font;
  double rowHeight, padding;
  double digit;
};

PrintMetrics MetricsFor(const QFont& base, QPaintDevice* device) {
  PrintMetrics m;
  m.font = device ? QFont(base, device) : base;
  const QFontMetricsF fm(m.font);
  m.rowHeight = std::ceil(fm.height() * 1.3);
  m.padding = std::ceil(fm.height() * 0.2);
  m.digit = fm.horizontalAdvance(QLatin1Char('0'));
  return m;
}

}  // namespace

std::vector<Sheet::PrintPage> Sheet::printLayout(const QRectF& page, QPaintDevice* device) const {
  std::vector<PrintPage> pages;
  const auto area = usedRange();
  if (!area || page.width() <= 0 || page.height() <= 0) return pages;
  const PrintMetrics m = MetricsFor(view_->font(), device);
  // Column groups that fit across the page; a column wider than the page stands alone.
  std::vector<std::vector<int>> groups;
  double used = 0.0;
  for (int c = area->first.column; c <= area->last.column; ++c) {
    if (isColumnHidden(c)) continue;
    const double w = columnWidth(c) * m.digit / 256.0 + 2 * m.padding;
    if (groups.empty() || used + w > page.width()) {
      groups.emplace_back();
      used = 0.0;
    }
    groups.back().push_back(c);
    used += w;
  }
  const int rowsPerPage = std::max(1, static_cast<int>((page.height() - m.rowHeight) / m.rowHeight));
  for (const auto& group : groups) {
    for (int r = area->first.row; r <= area->last.row; r += rowsPerPage) {
      pages.push_back({r, std::min(area->last.row, r + rowsPerPage - 1), group});
    }
  }
  return pages;
}

int Sheet::print(QPagedPaintDevice& device) const {
  device.setPageOrientation(landscape_ ? QPageLayout::Landscape : QPageLayout::Portrait);
  const QRectF page(0, 0, device.width(), device.height());
  const auto pages = printLayout(page, &device);
  if (pages.empty()) return 0;
  QPainter painter;
  if (!painter.begin(&device)) return 0;
  const PrintMetrics m = MetricsFor(view_->font(), &device);
  const QFontMetricsF fm(m.font);
  QFont bold = m.font;
  bold.setBold(true);
  const double scale = device.logicalDpiY() / 96.0;
  const QPen grid(QColor(128, 128, 128), std::max(1.0, scale * 0.5));
  for (std::size_t p = 0; p < pages.size(); ++p) {
    if (p > 0 && !device.newPage()) break;
    const PrintPage& pg = pages[p];
    std::vector<double> lefts, widths;
    double x = 0.0;
    for (int c : pg.columns) {
      lefts.push_back(x);
      widths.push_back(columnWidth(c) * m.digit / 256.0 + 2 * m.padding);
      x += widths.back();
    }
    const double right = std::min(x, page.width());
    const int rows = pg.lastRow - pg.firstRow + 1;
    const double bottom = m.rowHeight * (rows + 1);
    painter.fillRect(QRectF(0, 0, right, m.rowHeight), QColor(224, 224, 224));
    const auto cell = [&](std::size_t i, double top, const QString& text, bool header) {
      const QRectF r(lefts[i] + m.padding, top, widths[i] - 2 * m.padding, m.rowHeight);
      const QString shown = fm.elidedText(text, Qt::ElideRight, r.width());
      const Qt::Alignment align = header ? Qt::AlignHCenter : (LooksNumeric(text) ? Qt::AlignRight : Qt::AlignLeft);
      painter.drawText(r, align | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    };
    painter.setPen(Qt::black);
    painter.setFont(bold);
    for (std::size_t i = 0; i < pg.columns.size(); ++i) cell(i, 0.0, columnHeading(pg.columns[i]), true);
    painter.setFont(m.font);
    for (int r = pg.firstRow; r <= pg.lastRow; ++r) {
      const double top = m.rowHeight * (r - pg.firstRow + 1);
      for (std::size_t i = 0; i < pg.columns.size(); ++i) {
        const QString t = cellText(r, pg.columns[i]);
        if (!t.isEmpty()) cell(i, top, t, false);
      }
    }
    painter.setPen(grid);
    for (int r = 0; r <= rows + 1; ++r) painter.drawLine(QPointF(0, r * m.rowHeight), QPointF(right, r * m.rowHeight));
    for (std::size_t i = 0; i < lefts.size(); ++i) painter.drawLine(QPointF(lefts[i], 0), QPointF(lefts[i], bottom));
    painter.drawLine(QPointF(right, 0), QPointF(right, bottom));
  }
  painter.end();
  return static_cast<int>(pages.size());
}

int Sheet::printToPdf(const QString& path) const {
  QPdfWriter writer(path);
  writer.setResolution(300);
  writer.setPageSize(QPageSize(QPageSize::A4));
  writer.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
  return print(writer);
}

std::vector<std::vector<QString>> Sheet::selectionCells() const {
  std::vector<std::vector<QString>> rows;
  const auto ranges = selectedRanges();
  CellRange range;
  if (!ranges.empty()) {
    range = ranges.front();
  } else {
    const auto cell = ParseCell(selectionText().toStdString());
    range = {cell.value_or(CellRef{}), cell.value_or(CellRef{})};
  }
  for (int r = range.first.row; r <= range.last.row; ++r) {
    std::vector<QString> row;
    for (int c = range.first.column; c <= range.last.column; ++c) {
      if (!isColumnHidden(c)) row.push_back(cellText(r, c));
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

QString Sheet::selectionAsText() const {
  QString out;
  for (const auto& row : selectionCells()) {
    QStringList cells;
    for (const QString& t : row) cells << TsvCell(t);
    out += cells.join(QLatin1Char('\t'));
    out += QLatin1Char('\n');
  }
  return out;
}

QString Sheet::selectionAsHtml() const {
  QString out = QStringLiteral("<html><body><table border=\"1\" cellspacing=\"0\">\n");
  for (const auto& row : selectionCells()) {
    out += QLatin1String("<tr>");
    for (const QString& t : row) out += QLatin1String("<td>") + t.toHtmlEscaped() + QLatin1String("</td>");
    out += QLatin1String("</tr>\n");
  }
  out += QLatin1String("</table></body></html>\n");
  return out;
}

std::unique_ptr<QMimeData> Sheet::selectionMimeData() const {
  auto mime = std::make_unique<QMimeData>();
  mime->setText(selectionAsText());
  mime->setHtml(selectionAsHtml());
  return mime;
}

void Sheet::copySelection() const {
  if (QClipboard* clipboard = QApplication::clipboard()) clipboard->setMimeData(selectionMimeData().release());
}

// ---------------------------------------------------------------------------------------------
// Workbook

Workbook::Workbook(QWidget* parent) : QWidget(parent), tabs_(new QTabWidget(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(tabs_);
  tabs_->setTabPosition(QTabWidget::South);
  tabs_->setDocumentMode(true);
  insertSheet(0, QStringLiteral("Sheet1"));
  connect(tabs_->tabBar(), &QTabBar::tabBarClicked, this, [this](int index) {
    pendingClick_ = index != tabs_->currentIndex() ? index : -1;
  });
  connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
    const bool byUser = index >= 0 && index == pendingClick_;
    pendingClick_ = -1;
    if (index < 0) return;
    emit currentSheetChanged(index);
    if (byUser) emit sheetChosen(index);
  });
}

int Workbook::sheetCount() const { return tabs_->count(); }

Sheet& Workbook::sheet(int index) const {
  auto* s = qobject_cast<Sheet*>(tabs_->widget(std::clamp(index, 0, tabs_->count() - 1)));
  return *s;
}

int Workbook::currentIndex() const { return tabs_->currentIndex(); }

void Workbook::setCurrentSheet(int index) {
  if (index >= 0 && index < tabs_->count()) tabs_->setCurrentIndex(index);
}

Sheet& Workbook::insertSheet(int index, const QString& name) {
  auto* s = new Sheet(tabs_);
  tabs_->insertTab(std::clamp(index, 0, tabs_->count()), s, name);
  return *s;
}

bool Workbook::removeSheet(int index) {
  if (tabs_->count() <= 1 || index < 0 || index >= tabs_->count()) return false;
  QWidget* w = tabs_->widget(index);
  tabs_->removeTab(index);
  delete w;
  return true;
}

QString Workbook::sheetName(int index) const { return tabs_->tabText(index); }

void Workbook::setSheetName(int index, const QString& name) {
  if (index >= 0 && index < tabs_->count()) tabs_->setTabText(index, name);
}

}  // namespace qg::widgets
