// Drives the real main window the way a user does: typing into the data
// sheet's cell editor, choosing list entries with the keyboard, clicking
// buttons and row labels. Shared by the GUI tests and the picture renderer.
//
// The data sheet is addressed in the window's own coordinates (row 0 the
// headers, column 0 the row labels). The table widget may hold the headers
// and labels in its own cells or in its header views; the driver finds out
// from its size and maps the coordinates either way.
#pragma once

#include <QAbstractButton>
#include <QAbstractItemDelegate>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMetaObject>
#include <QTableWidget>
#include <QTest>
#include <QWidget>

#include <utility>
#include <vector>

#include "workbench/MainUnit.h"

namespace Titrelle::GuiTesting {

class TWindowDriver {
public:
  explicit TWindowDriver(QWidget& Form) : Form(Form), Grid(Form.findChild<QTableWidget*>("StringGrid1"))
  {
    if (Grid != nullptr) {
      // Three table columns hold labels, X and Y; two hold X and Y only.
      LabelsInCells = Grid->columnCount() >= 3;
      HeadersInCells = DetectHeadersInCells();
    }
  }

  QTableWidget* Sheet() const { return Grid; }

  template <class T>
  T* Get(const char* Name) const
  {
    return Form.findChild<T*>(QString::fromLatin1(Name));
  }

  // Rows of the sheet in the window's coordinates (header row included).
  int SheetRowCount() const { return Grid->rowCount() + (HeadersInCells ? 0 : 1); }

  QString Cell(int Col, int Row) const
  {
    if (Row == 0 && !HeadersInCells)
      return Grid->model()->headerData(Col - (LabelsInCells ? 0 : 1), Qt::Horizontal).toString();
    if (Col == 0 && !LabelsInCells)
      return Grid->model()->headerData(TableRow(Row), Qt::Vertical).toString();
    const QTableWidgetItem* Item = Grid->item(TableRow(Row), TableCol(Col));
    return Item == nullptr ? QString() : Item->text();
  }

  // Makes (Col, Row) the current cell, as a click on it would.
  void SetCurrentCell(int Col, int Row)
  {
    Grid->setFocus();
    Grid->scrollTo(Grid->model()->index(TableRow(Row), TableCol(Col)));
    Grid->setCurrentCell(TableRow(Row), TableCol(Col));
    QApplication::processEvents();
  }

  // The window's current cell in sheet coordinates.
  int CurrentRow() const { return Grid->currentRow() + (HeadersInCells ? 0 : 1); }
  int CurrentCol() const { return Grid->currentColumn() + (LabelsInCells ? 0 : 1); }

  // The cell editor of the current cell, opened if it is not open yet.
  QLineEdit* OpenEditor()
  {
    if (auto* Editor = FocusedEditor())
      return Editor;
    QMetaObject::invokeMethod(Grid, "edit", Q_ARG(QModelIndex, Grid->currentIndex()));
    QApplication::processEvents();
    if (auto* Editor = FocusedEditor())
      return Editor;
    // Without window activation the editor has no focus: take the visible one.
    for (QLineEdit* Editor : Grid->viewport()->findChildren<QLineEdit*>())
      if (Editor->isVisible())
        return Editor;
    return nullptr;
  }

  // Hands the editor's text to the sheet, as leaving the cell does.
  void CommitEditor(QLineEdit* Editor)
  {
    QMetaObject::invokeMethod(Grid, "commitData", Q_ARG(QWidget*, Editor));
    QMetaObject::invokeMethod(Grid, "closeEditor", Q_ARG(QWidget*, Editor),
                              Q_ARG(QAbstractItemDelegate::EndEditHint, QAbstractItemDelegate::NoHint));
    QApplication::processEvents();
  }

  // Types Text (ASCII) into cell (Col, Row) through the cell editor,
  // replacing what the cell held. False when no editor opened.
  bool TypeIntoCell(int Col, int Row, const QString& Text)
  {
    SetCurrentCell(Col, Row);
    QLineEdit* Editor = OpenEditor();
    if (Editor == nullptr)
      return false;
    Editor->selectAll();
    Editor->del();
    QTest::keyClicks(Editor, Text);
    CommitEditor(Editor);
    return true;
  }

  // Puts Text into the cell editor as a paste into it would (any
  // characters, control characters included), then leaves the cell.
  bool InsertIntoCell(int Col, int Row, const QString& Text)
  {
    SetCurrentCell(Col, Row);
    QLineEdit* Editor = OpenEditor();
    if (Editor == nullptr)
      return false;
    Editor->selectAll();
    Editor->insert(Text);
    CommitEditor(Editor);
    return true;
  }

  // Types X/Y pairs into rows 1.. of the sheet.
  bool TypePairs(const std::vector<std::pair<QString, QString>>& Pairs)
  {
    for (std::size_t I = 0; I < Pairs.size(); ++I) {
      const int Row = static_cast<int>(I) + 1;
      if (!TypeIntoCell(1, Row, Pairs[I].first) || !TypeIntoCell(2, Row, Pairs[I].second))
        return false;
    }
    return true;
  }

  // A mouse press (and release) on the label of sheet row Row, with Modifiers.
  void PressRowLabel(int Row, Qt::KeyboardModifiers Modifiers = Qt::NoModifier)
  {
    if (LabelsInCells) {
      const QModelIndex Index = Grid->model()->index(TableRow(Row), 0);
      Grid->scrollTo(Index);
      const QPoint At = Grid->visualRect(Index).center();
      QTest::mousePress(Grid->viewport(), Qt::LeftButton, Modifiers, At);
      QTest::mouseRelease(Grid->viewport(), Qt::LeftButton, Modifiers, At);
    } else {
      QHeaderView* Header = Grid->verticalHeader();
      Grid->scrollTo(Grid->model()->index(TableRow(Row), 0));
      const int Section = TableRow(Row);
      const QPoint At(Header->width() / 2, Header->sectionViewportPosition(Section) + Header->sectionSize(Section) / 2);
      QTest::mousePress(Header->viewport(), Qt::LeftButton, Modifiers, At);
      QTest::mouseRelease(Header->viewport(), Qt::LeftButton, Modifiers, At);
    }
    QApplication::processEvents();
  }

  // A key typed while the sheet (or its open cell editor) has the focus.
  void SheetKey(Qt::Key Key, Qt::KeyboardModifiers Modifiers = Qt::NoModifier)
  {
    QWidget* Target = FocusedEditor();
    if (Target == nullptr)
      Target = Grid;
    QTest::keyClick(Target, Key, Modifiers);
    QApplication::processEvents();
  }

  // Clicks the named button with the mouse.
  void Click(const char* Name)
  {
    QAbstractButton* Button = Get<QAbstractButton>(Name);
    QTest::mouseClick(Button, Qt::LeftButton);
    QApplication::processEvents();
  }

  // Chooses entry Index of a drop-down list with the keyboard (Home, then
  // Down), which is how a user changes it and raises its change events.
  static void Choose(QComboBox* Combo, int Index)
  {
    Combo->setFocus();
    QTest::keyClick(Combo, Qt::Key_Home);
    for (int I = 0; I < Index; ++I)
      QTest::keyClick(Combo, Qt::Key_Down);
    QApplication::processEvents();
  }

private:
  // Right after start-up the first table row is either the header row,
  // whose X cell reads "X (...)", or the first (empty) data row.
  bool DetectHeadersInCells() const
  {
    const int Col = LabelsInCells ? 1 : 0;
    const QTableWidgetItem* Item = Grid->item(0, Col);
    return Item != nullptr && Item->text().startsWith(QStringLiteral("X ("));
  }

  int TableRow(int Row) const { return Row - (HeadersInCells ? 0 : 1); }
  int TableCol(int Col) const { return Col - (LabelsInCells ? 0 : 1); }

  QLineEdit* FocusedEditor() const
  {
    auto* Editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    return Editor != nullptr && Grid->isAncestorOf(Editor) ? Editor : nullptr;
  }

  QWidget& Form;
  QTableWidget* Grid;
  bool LabelsInCells = true;
  bool HeadersInCells = true;
};

}  // namespace Titrelle::GuiTesting
