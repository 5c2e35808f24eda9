#pragma once
// The workbook: sheets of cells shown as QTableViews, with column headings and widths, a
// selection read and written as "B2:AC9" text, a print area, printing and copying.
//
// Coordinates: rows and columns count from 1, as the cell references do ("A1" is row 1,
// column 1). Sheets count from 0 (sheet(0) is the first tab).
//
// Size: a sheet keeps only the cells that hold text, column by column, and its view uses fixed
// row heights, so 100,000 rows fill and scroll without delay. Filling many cells at once goes
// through a Sheet::BulkFill, which tells the view once at the end instead of once per cell.
#include <QAbstractTableModel>
#include <QString>
#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

#include "widgets/cellref.h"

class QMimeData;
class QPagedPaintDevice;
class QPaintDevice;
class QTabWidget;
class QTableView;

namespace qg::widgets {

// The cells of one sheet.
class SheetModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit SheetModel(QObject* parent = nullptr);

  QString text(int row, int column) const;
  // Refuses (false) a cell outside 1..kMaxRow, 1..kMaxColumn.
  bool setText(int row, int column, const QString& text);
  void clear();
  // The last row and column that hold text; 0 when the sheet is empty.
  int lastRow() const;
  int lastColumn() const;

  // An empty heading shows the column's letters.
  QString heading(int column) const;
  void setHeading(int column, const QString& heading);
  // The view shows at least this many rows and columns (empty ones, as a spreadsheet does).
  void ensureShown(int rows, int columns);

  void beginBulk();
  void endBulk();

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  void grow(int row, int column);

  std::vector<std::vector<QString>> columns_;  // columns_[c - 1][r - 1]
  std::vector<QString> headings_;
  int shownRows_ = 0, shownColumns_ = 0;
  int bulk_ = 0;
};

class Sheet : public QWidget {
  Q_OBJECT

 public:
  explicit Sheet(QWidget* parent = nullptr);
  ~Sheet() override;

  // While one lives, cell changes are not shown one by one; the view is told once at its end.
  class BulkFill {
   public:
    explicit BulkFill(Sheet& sheet) : model_(*sheet.model_) { model_.beginBulk(); }
    ~BulkFill() { model_.endBulk(); }
    BulkFill(const BulkFill&) = delete;
    BulkFill& operator=(const BulkFill&) = delete;

   private:
    SheetModel& model_;
  };

  QString cellText(int row, int column) const;
  bool setCellText(int row, int column, const QString& text);
  void clear();
  int lastRow() const;
  int lastColumn() const;

  QString columnHeading(int column) const;
  void setColumnHeading(int column, const QString& heading);
  // Widths in 1/256 of the width of the digit "0" of the sheet's font; 0 hides the column.
  int columnWidth(int column) const;
  void setColumnWidth(int column, int units);
  bool isColumnHidden(int column) const;
  // Hiding keeps the width for when the column is shown again.
  void setColumnHidden(int column, bool hidden);

  // The selected ranges as text, comma-separated ("B2:AC9", "A1" for a single cell, "B2:C3,E5"
  // for two); with nothing selected, the current cell; "A1" when there is none.
  QString selectionText() const;
  std::vector<CellRange> selectedRanges() const;
  // Selects a range given as text; false (selection unchanged) for text that is no range.
  bool setSelectionText(const QString& text);

  // The print area as text ("" when none: printing then takes every used cell).
  QString printArea() const;
  // "" clears it; false (unchanged) for text that is no range.
  bool setPrintArea(const QString& text);
  bool printLandscape() const { return landscape_; }
  void setPrintLandscape(bool on) { landscape_ = on; }

  // What printing puts on each page: the rows and the shown columns of the print area, down the
  // rows first, then across. Each page repeats the column headings.
  struct PrintPage {
    int firstRow = 0, lastRow = 0;
    std::vector<int> columns;
  };
  std::vector<PrintPage> printLayout(const QRectF& page, QPaintDevice* device) const;
  // Prints the print area on a printer or PDF writer in the sheet's orientation; returns the
  // number of pages, 0 when there was nothing to print or the device could not be painted on.
  int print(QPagedPaintDevice& device) const;
  int printToPdf(const QString& path) const;

  // The cells of the first selected range (hidden columns left out) as tab-separated text
  // (rows ended by "\n"; a cell holding a tab, line break or quote is quoted, quotes doubled) and
  // as an HTML table; copySelection() puts both on the clipboard.
  QString selectionAsText() const;
  QString selectionAsHtml() const;
  std::unique_ptr<QMimeData> selectionMimeData() const;
  void copySelection() const;

  QTableView* view() const { return view_; }
  SheetModel* model() const { return model_; }

 private:
  int unitsToPixels(int units) const;
  void applyWidths();
  std::optional<CellRange> usedRange() const;
  std::vector<std::vector<QString>> selectionCells() const;

  SheetModel* model_;
  QTableView* view_;
  std::vector<int> widths_;  // units, index column - 1; missing = default
  std::optional<CellRange> printArea_;
  bool landscape_ = false;
};

// Sheets as tabs; there is always at least one.
class Workbook : public QWidget {
  Q_OBJECT

 public:
  explicit Workbook(QWidget* parent = nullptr);

  int sheetCount() const;
  Sheet& sheet(int index) const;
  int currentIndex() const;
  Sheet& currentSheet() const { return sheet(currentIndex()); }
  void setCurrentSheet(int index);

  // index is clamped to 0..sheetCount(); returns the new sheet.
  Sheet& insertSheet(int index, const QString& name);
  Sheet& appendSheet(const QString& name) { return insertSheet(sheetCount(), name); }
  // Refuses (false) to remove the last remaining sheet, or an index out of range.
  bool removeSheet(int index);
  QString sheetName(int index) const;
  void setSheetName(int index, const QString& name);

 signals:
  // Any change of the current sheet.
  void currentSheetChanged(int index);
  // A change made by the user clicking a sheet's tab (after currentSheetChanged).
  void sheetChosen(int index);

 private:
  QTabWidget* tabs_;
  int pendingClick_ = -1;
};

}  // namespace qg::widgets
