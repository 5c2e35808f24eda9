#include "widgets/workbook.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPdfWriter>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>

#include "tests/widgets/qt_app.h"

namespace qg::widgets {
namespace {

class SheetTest : public ::testing::Test {
 protected:
  QApplication& app = test::App();  // before any widget
  Sheet sheet;
};

TEST_F(SheetTest, SelectionReadsAsText) {
  const std::pair<const char*, const char*> cases[] = {
      {"B2:AC9", "B2:AC9"}, {"AC9:B2", "B2:AC9"}, {"C3", "C3"}, {"a1:b2", "A1:B2"}, {"B2:B2", "B2"}};
  for (const auto& [in, out] : cases) {
    ASSERT_TRUE(sheet.setSelectionText(in)) << in;
    EXPECT_EQ(sheet.selectionText(), out) << in;
  }
  EXPECT_FALSE(sheet.setSelectionText("B2:"));
  EXPECT_FALSE(sheet.setSelectionText("hello"));
  EXPECT_EQ(sheet.selectionText(), "B2");  // unchanged

  // Two ranges, as a control-drag makes them.
  ASSERT_TRUE(sheet.setSelectionText("E5"));
  QItemSelectionModel* sm = sheet.view()->selectionModel();
  sm->select(QItemSelection(sheet.model()->index(1, 1), sheet.model()->index(2, 2)), QItemSelectionModel::Select);
  EXPECT_EQ(sheet.selectionText(), "B2:C3,E5");

  // Nothing selected: the current cell.
  sm->clearSelection();
  sm->setCurrentIndex(sheet.model()->index(6, 3), QItemSelectionModel::NoUpdate);
  EXPECT_EQ(sheet.selectionText(), "D7");
  Sheet fresh;
  EXPECT_EQ(fresh.selectionText(), "A1");
}

TEST_F(SheetTest, SelectionBeyondTheShownRowsIsStillSelectable) {
  ASSERT_TRUE(sheet.setSelectionText("B2:C5000"));
  EXPECT_EQ(sheet.selectionText(), "B2:C5000");
  EXPECT_GE(sheet.model()->rowCount(), 5000);
}

TEST_F(SheetTest, PrintArea) {
  EXPECT_EQ(sheet.printArea(), "");
  EXPECT_TRUE(sheet.setPrintArea("A1:AA11"));
  EXPECT_EQ(sheet.printArea(), "A1:AA11");
  EXPECT_FALSE(sheet.setPrintArea("A1:AA"));  // incomplete: refused, kept
  EXPECT_EQ(sheet.printArea(), "A1:AA11");
  EXPECT_TRUE(sheet.setPrintArea(""));
  EXPECT_EQ(sheet.printArea(), "");
}

TEST_F(SheetTest, PrintLayoutCoversThePrintAreaOnly) {
  for (int r = 1; r <= 300; ++r) {
    for (int c = 1; c <= 6; ++c) sheet.setCellText(r, c, QString("%1,%2").arg(r).arg(c));
  }
  sheet.setColumnWidth(3, 0);  // hidden: never printed
  const QRectF page(0, 0, 2000, 1000);
  ASSERT_TRUE(sheet.setPrintArea("B2:D5"));
  auto pages = sheet.printLayout(page, nullptr);
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(pages[0].firstRow, 2);
  EXPECT_EQ(pages[0].lastRow, 5);
  EXPECT_EQ(pages[0].columns, (std::vector<int>{2, 4}));

  // Without a print area: every used cell, over several pages with no row lost or repeated.
  ASSERT_TRUE(sheet.setPrintArea(""));
  pages = sheet.printLayout(page, nullptr);
  ASSERT_GT(pages.size(), 1u);
  int next = 1;
  for (const auto& p : pages) {
    EXPECT_EQ(p.firstRow, next);
    EXPECT_EQ(p.columns, (std::vector<int>{1, 2, 4, 5, 6}));
    next = p.lastRow + 1;
  }
  EXPECT_EQ(next, 301);
}

TEST_F(SheetTest, PrintsToPdfInEitherOrientation) {
  for (int r = 1; r <= 400; ++r) sheet.setCellText(r, 2, QString::number(r));
  QTemporaryDir dir;
  const QString portrait = dir.filePath("p.pdf"), landscape = dir.filePath("l.pdf");
  const int portraitPages = sheet.printToPdf(portrait);
  sheet.setPrintLandscape(true);
  const int landscapePages = sheet.printToPdf(landscape);
  EXPECT_GT(portraitPages, 1);
  EXPECT_GT(landscapePages, portraitPages);  // fewer rows fit on a landscape page
  for (const QString& path : {portrait, landscape}) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray pdf = f.readAll();
    EXPECT_TRUE(pdf.startsWith("%PDF"));
    EXPECT_EQ(pdf.count("/Type /Page\n"), path == portrait ? portraitPages : landscapePages);
  }
  Sheet empty;
  EXPECT_EQ(empty.printToPdf(dir.filePath("e.pdf")), 0);
}

TEST_F(SheetTest, CopiesTabSeparatedTextAndHtml) {
  sheet.setCellText(1, 1, "hidden caption");
  sheet.setColumnWidth(1, 0);
  sheet.setCellText(1, 2, "a\tb");
  sheet.setCellText(1, 3, "say \"hi\"");
  sheet.setCellText(2, 2, "<b>&x</b>");
  sheet.setCellText(2, 3, "12.5");
  ASSERT_TRUE(sheet.setSelectionText("A1:C2"));
  EXPECT_EQ(sheet.selectionAsText(), "\"a\tb\"\t\"say \"\"hi\"\"\"\n<b>&x</b>\t12.5\n");
  const QString html = sheet.selectionAsHtml();
  EXPECT_TRUE(html.contains("<tr><td>a\tb</td><td>say &quot;hi&quot;</td></tr>"));
  EXPECT_TRUE(html.contains("<td>&lt;b&gt;&amp;x&lt;/b&gt;</td><td>12.5</td>"));
  EXPECT_FALSE(html.contains("hidden caption"));

  sheet.copySelection();
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(mime, nullptr);
  EXPECT_TRUE(mime->hasText());
  EXPECT_TRUE(mime->hasHtml());
  EXPECT_EQ(mime->text(), sheet.selectionAsText());
}

TEST_F(SheetTest, HoldsAHundredThousandRows) {
  {
    Sheet::BulkFill bulk(sheet);
    for (int r = 1; r <= 100000; ++r) {
      sheet.setCellText(r, 2, QString::number(r));
      sheet.setCellText(r, 3, "x");
    }
  }
  EXPECT_EQ(sheet.lastRow(), 100000);
  EXPECT_EQ(sheet.lastColumn(), 3);
  EXPECT_GE(sheet.model()->rowCount(), 100000);
  EXPECT_EQ(sheet.model()->data(sheet.model()->index(99999, 1), Qt::DisplayRole).toString(), "100000");
  sheet.resize(600, 400);
  sheet.view()->scrollToBottom();
  EXPECT_GE(sheet.view()->rowAt(sheet.view()->viewport()->height() / 2), 99000);
  sheet.setCellText(100000, 2, "");
  sheet.setCellText(100000, 3, "");
  EXPECT_EQ(sheet.lastRow(), 99999);
  EXPECT_FALSE(sheet.setCellText(0, 1, "x"));
  EXPECT_FALSE(sheet.setCellText(1, kMaxColumn + 1, "x"));
}

TEST_F(SheetTest, WidthsSetDuringABulkFillReachTheView) {
  {
    Sheet::BulkFill bulk(sheet);
    sheet.setColumnWidth(40, 512);
    sheet.setColumnWidth(41, 0);
    sheet.setColumnWidth(42, 5120);
  }
  EXPECT_EQ(sheet.model()->columnCount(), 42);
  EXPECT_TRUE(sheet.isColumnHidden(41));
  EXPECT_GT(sheet.view()->columnWidth(41), 5 * sheet.view()->columnWidth(39));
}

TEST_F(SheetTest, HeadingsAndWidths) {
  sheet.setColumnHeading(4, "Pena 1");
  EXPECT_EQ(sheet.columnHeading(4), "Pena 1");
  EXPECT_EQ(sheet.columnHeading(5), "E");
  EXPECT_EQ(sheet.model()->headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(), "Pena 1");
  sheet.setColumnWidth(2, 2560);
  sheet.setColumnWidth(5, 512);
  EXPECT_EQ(sheet.columnWidth(2), 2560);
  EXPECT_GT(sheet.view()->columnWidth(1), 4 * sheet.view()->columnWidth(4) / 2);
  sheet.setColumnWidth(1, 0);
  EXPECT_TRUE(sheet.isColumnHidden(1));
  sheet.setColumnHidden(2, true);
  EXPECT_TRUE(sheet.isColumnHidden(2));
  sheet.setColumnHidden(2, false);
  EXPECT_EQ(sheet.columnWidth(2), 2560);
  EXPECT_FALSE(sheet.isColumnHidden(2));
}

TEST(Workbook, SheetsAndTheUsersChoice) {
  test::App();
  Workbook book;
  EXPECT_EQ(book.sheetCount(), 1);
  EXPECT_FALSE(book.removeSheet(0));  // always one sheet
  book.setSheetName(0, "a.hst");
  book.appendSheet("b.hst").setCellText(1, 1, "B");
  book.insertSheet(0, "first");
  ASSERT_EQ(book.sheetCount(), 3);
  EXPECT_EQ(book.sheetName(0), "first");
  EXPECT_EQ(book.sheetName(2), "b.hst");
  EXPECT_EQ(book.sheet(2).cellText(1, 1), "B");

  QSignalSpy changed(&book, &Workbook::currentSheetChanged);
  QSignalSpy chosen(&book, &Workbook::sheetChosen);
  book.setCurrentSheet(2);
  EXPECT_EQ(book.currentIndex(), 2);
  EXPECT_EQ(changed.count(), 1);
  EXPECT_EQ(chosen.count(), 0);  // not by the user

  book.resize(500, 300);
  book.show();
  auto* tabs = book.findChild<QTabWidget*>();
  ASSERT_NE(tabs, nullptr);
  QTabBar* bar = tabs->tabBar();
  const QPoint p = bar->tabRect(1).center();
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(p), bar->mapToGlobal(QPointF(p)), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(bar, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(p), bar->mapToGlobal(QPointF(p)), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(bar, &release);
  EXPECT_EQ(book.currentIndex(), 1);
  ASSERT_EQ(chosen.count(), 1);
  EXPECT_EQ(chosen.at(0).at(0).toInt(), 1);

  EXPECT_TRUE(book.removeSheet(1));
  EXPECT_EQ(book.sheetCount(), 2);
  EXPECT_EQ(book.sheet(1).cellText(1, 1), "B");
  EXPECT_FALSE(book.removeSheet(5));
}

}  // namespace
}  // namespace qg::widgets
