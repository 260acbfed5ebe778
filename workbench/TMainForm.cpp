// The main window: the controls at their places, the window interfaces of
// the logic implemented on them, and one-line handlers.
#include "workbench/TMainForm.h"

#include <algorithm>
#include <cassert>
#include <initializer_list>
#include <iterator>
#include <string>

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTreeWidget>
#include <QUrl>

#include "models/Models.h"
#include "workbench/MainUnit.h"

namespace Titrelle {

namespace {

// Window geometry: a fixed client area, the control panel on the left and
// the display panel with a two-pixel sunken border on the right.
constexpr int ClientWidth = 627;
constexpr int ClientHeight = 425;
// Height of a one-line edit field or drop-down list in the window font.
constexpr int FieldHeight = 21;
// The sheet: fixed label column and data columns, rows of 18 pixels.
constexpr int LabelColumnWidth = 60;
constexpr int DataColumnWidth = 100;
constexpr int SheetRowHeight = 18;
// The calculation list's columns.
constexpr int InputColumnWidth = 120;
constexpr int ResultColumnWidth = 270;

QString ToQt(const std::string& Text) { return QString::fromUtf8(Text.data(), static_cast<qsizetype>(Text.size())); }

std::string FromQt(const QString& Text) { return Text.toUtf8().toStdString(); }

// Line ends of the logic (CR LF, or a single CR in message boxes) as the Qt
// text widgets write them, and back.
QString ToQtLines(const std::string& Text)
{
  QString S = ToQt(Text);
  S.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  S.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return S;
}

std::string FromQtLines(QString Text)
{
  Text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  return FromQt(Text);
}

// The window's font; without the narrow Windows face, a condensed Latin face
// keeps the captions within their fixed control sizes.
QFont WindowFont()
{
  QFont Font;
  Font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Noto Sans CJK SC")});
  Font.setPixelSize(11);
  return Font;
}

// The sheet and the report are in a fixed-pitch font so columns line up.
QFont FixedPitchFont()
{
  QFont Font;
  Font.setFamilies({QString::fromUtf8("宋体"), QStringLiteral("Noto Sans Mono CJK SC")});
  Font.setPixelSize(12);
  Font.setFixedPitch(true);
  Font.setStyleHint(QFont::TypeWriter);
  return Font;
}

// Places W at (X, Y) of its parent's client area (inside any border).
void Place(QWidget* W, int X, int Y, int Width, int Height)
{
  const QPoint Origin = W->parentWidget()->contentsRect().topLeft();
  W->setGeometry(Origin.x() + X, Origin.y() + Y, Width, Height);
}

// A label sized to its caption.
void PlaceLabel(QLabel* Label, int X, int Y)
{
  Label->adjustSize();
  Place(Label, X, Y, Label->width(), Label->height());
}

template <typename T>
T* Named(QWidget* Parent, const char* Name)
{
  T* W = new T(Parent);
  W->setObjectName(QLatin1String(Name));
  return W;
}

QPushButton* NamedButton(QWidget* Parent, const char* Name, const char* Caption)
{
  QPushButton* B = Named<QPushButton>(Parent, Name);
  B->setText(QString::fromUtf8(Caption));
  return B;
}

// A horizontal bevel line separating groups of the control panel.
void AddBevel(QWidget* Parent, int Y)
{
  QFrame* Line = new QFrame(Parent);
  Line->setFrameShape(QFrame::HLine);
  Line->setFrameShadow(QFrame::Sunken);
  Place(Line, 8, Y, 169, 2);
}

// The character a key press types, as the logic's key codes count it: Enter
// 13, Ctrl with a letter 1..26, a plain ASCII character its code; 0 for
// anything else.
int TypedCharacter(const QKeyEvent* Event)
{
  const bool Ctrl = Event->modifiers().testFlag(Qt::ControlModifier);
  if (Event->key() == Qt::Key_Return || Event->key() == Qt::Key_Enter)
    return Ctrl ? 10 : 13;
  if (Ctrl && Event->key() >= Qt::Key_A && Event->key() <= Qt::Key_Z)
    return Event->key() - Qt::Key_A + 1;
  const QString Text = Event->text();
  if (Text.size() == 1 && Text.at(0).unicode() < 128)
    return Text.at(0).unicode();
  return 0;
}

// The keys the sheet consumes (Enter, Ctrl+N, Ctrl+Y).
bool IsSheetCommand(int Key) { return Key == 13 || Key == 14 || Key == 25; }

}  // namespace

// ---------------------------------------------------------------------------
// Ports

// The sheet: row 0 is the horizontal header, column 0 the vertical header,
// so the headers stay in view while the cells scroll; sheet cell (c, r) with
// c, r >= 1 is grid cell (r - 1, c - 1).
class TMainForm::TSheetPort : public ISheet {
public:
  explicit TSheetPort(QTableWidget* Grid) : Grid(Grid) {}

  int RowCount() const override { return Grid->rowCount() + 1; }

  // New rows come with empty labels and cells.
  void SetRowCount(int Rows) override
  {
    const int Old = Grid->rowCount();
    Grid->setRowCount(std::max(0, Rows - 1));
    for (int R = Old; R < Grid->rowCount(); ++R) {
      Grid->setVerticalHeaderItem(R, new QTableWidgetItem());
      Grid->verticalHeader()->resizeSection(R, SheetRowHeight);
    }
  }

  std::string Cell(int Col, int Row) const override
  {
    assert(Col >= 0 && Col < Grid->columnCount() + 1 && Row >= 0 && Row < RowCount());
    const QTableWidgetItem* Item = nullptr;
    if (Row == 0 && Col == 0)
      return Corner;
    if (Row == 0)
      Item = Grid->horizontalHeaderItem(Col - 1);
    else if (Col == 0)
      Item = Grid->verticalHeaderItem(Row - 1);
    else
      Item = Grid->item(Row - 1, Col - 1);
    return Item ? FromQt(Item->text()) : std::string();
  }

  void SetCell(int Col, int Row, const std::string& Text) override
  {
    assert(Col >= 0 && Col < Grid->columnCount() + 1 && Row >= 0 && Row < RowCount());
    if (Row == 0 && Col == 0) {
      Corner = Text;
      return;
    }
    QTableWidgetItem* Item = Row == 0   ? Grid->horizontalHeaderItem(Col - 1)
                             : Col == 0 ? Grid->verticalHeaderItem(Row - 1)
                                        : Grid->item(Row - 1, Col - 1);
    if (Item) {
      Item->setText(ToQt(Text));
      return;
    }
    Item = new QTableWidgetItem(ToQt(Text));
    if (Row == 0)
      Grid->setHorizontalHeaderItem(Col - 1, Item);
    else if (Col == 0)
      Grid->setVerticalHeaderItem(Row - 1, Item);
    else
      Grid->setItem(Row - 1, Col - 1, Item);
  }

  int CurrentCol() const override { return Grid->currentColumn() + 1; }
  int CurrentRow() const override { return Grid->currentRow() + 1; }

  // The fixed row and column cannot be current.
  void SetCurrentCell(int Col, int Row) override
  {
    if (Col >= 1 && Row >= 1)
      Grid->setCurrentCell(Row - 1, Col - 1);
  }

  void Focus() override { Grid->setFocus(); }

private:
  QTableWidget* Grid;
  std::string Corner;  // the top left cell, covered by the headers' corner
};

// The option controls, the calculation input and the report, and the view
// state applied to every control it names.
class TMainForm::TControlsPort : public IControls {
public:
  explicit TControlsPort(TMainForm& Form) : F(Form) {}

  int ModelIndex() const override { return F.ComboBox1->currentIndex(); }
  bool GeneralForm() const override { return F.CheckBox1->isChecked(); }
  bool ConstantTerm() const override { return F.CheckBox2->isChecked(); }
  void SetOptionBoxesVisible(bool GeneralForm, bool ConstantTerm) override
  {
    F.CheckBox1->setVisible(GeneralForm);
    F.CheckBox2->setVisible(ConstantTerm);
  }
  bool SubtractBackground() const override { return F.CheckBox3->isChecked(); }
  std::string BackgroundText() const override { return FromQt(F.Edit4->text()); }
  int XTransform() const override { return F.ComboBox2->currentIndex(); }
  int YTransform() const override { return F.ComboBox3->currentIndex(); }
  std::string XTitle() const override { return FromQt(F.Edit2->text()); }
  std::string YTitle() const override { return FromQt(F.Edit3->text()); }
  std::string InputText() const override { return FromQt(F.Edit1->text()); }
  void SetInputText(const std::string& Text) override { F.Edit1->setText(ToQt(Text)); }
  void FocusInput() override { F.Edit1->setFocus(); }
  void SetInputLabel(const std::string& Caption) override
  {
    F.Label4->setText(ToQt(Caption));
    F.Label4->adjustSize();
  }
  std::string ReportText() const override { return FromQtLines(F.Memo1->toPlainText()); }
  void SetReportText(const std::string& Text) override { F.Memo1->setPlainText(ToQtLines(Text)); }

  void ApplyViewState(const TViewState& S) override
  {
    F.StringGrid1->setVisible(S.SheetVisible);
    F.Image1->setVisible(S.ImageVisible);
    F.Memo1->setVisible(S.MemoVisible);
    for (QWidget* W : std::initializer_list<QWidget*>{F.Label4, F.Edit1, F.Button7, F.ListView1})
      W->setVisible(S.CalculationVisible);
    for (QWidget* W : std::initializer_list<QWidget*>{F.ComboBox1, F.ComboBox2, F.ComboBox3, F.CheckBox1, F.CheckBox2,
                                                      F.CheckBox3, F.Edit2, F.Edit3, F.Edit4})
      W->setEnabled(S.InputsEnabled);
    F.Button2->setVisible(S.ModeButtonsVisible);
    F.Button3->setVisible(S.ModeButtonsVisible);
    F.Button2->setEnabled(S.XFromYEnabled);
    F.Button3->setEnabled(S.YFromXEnabled);
    F.Button7->setDefault(S.CalculationDefault);
    F.Button8->setVisible(S.ReportVisible);
    F.Button8->setEnabled(S.ReportEnabled);
    F.Button9->setVisible(S.ClearVisible);
    F.Button10->setEnabled(S.PasteEnabled);
    F.Button1->setText(ToQt(S.FitCaption));
  }

private:
  TMainForm& F;
};

// Modal message boxes owned by the window.
class TMainForm::TMessagesPort : public IMessages {
public:
  explicit TMessagesPort(QWidget* Owner) : Owner(Owner) {}

  TMessageResult Show(const TMessage& Message) override
  {
    const QMessageBox::Icon Icon = Message.Icon == TMessageIcon::Error         ? QMessageBox::Critical
                                   : Message.Icon == TMessageIcon::Information ? QMessageBox::Information
                                                                               : QMessageBox::NoIcon;
    const QMessageBox::StandardButtons Buttons =
        Message.Buttons == TMessageButtons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok;
    QMessageBox Box(Icon, ToQt(Message.Caption), ToQtLines(Message.Text), Buttons, Owner);
    Box.setTextFormat(Qt::PlainText);
    const int Answer = Box.exec();
    if (Message.Buttons == TMessageButtons::Ok)
      return TMessageResult::Ok;
    return Answer == QMessageBox::Yes ? TMessageResult::Yes : TMessageResult::No;
  }

private:
  QWidget* Owner;
};

// The calculation list: two columns, one row per calculated value.
class TMainForm::TListPort : public ICalculationList {
public:
  explicit TListPort(QTreeWidget* View) : View(View) {}

  void SetColumnCaptions(const std::string& Input, const std::string& Result) override
  {
    View->setHeaderLabels({ToQt(Input), ToQt(Result)});
  }
  std::string ColumnCaption(int Col) const override { return FromQt(View->headerItem()->text(Col)); }
  void Clear() override { View->clear(); }
  void AddItem(const std::string& Input, const std::string& Result) override
  {
    new QTreeWidgetItem(View, {ToQt(Input), ToQt(Result)});
  }
  int ItemCount() const override { return View->topLevelItemCount(); }
  std::string ItemText(int Item, int Col) const override
  {
    assert(Item >= 0 && Item < ItemCount());
    return FromQt(View->topLevelItem(Item)->text(Col));
  }

  // The top line moves down by the whole lines within Pixels (and no
  // further than the end of the list).
  void ScrollDown(int Pixels) override
  {
    if (View->topLevelItemCount() == 0)
      return;
    const int LineHeight = std::max(1, View->sizeHintForRow(0));
    const QModelIndex Top = View->indexAt(QPoint(0, 0));
    const int TopRow = Top.isValid() ? Top.row() : 0;
    const int Target = std::min(TopRow + Pixels / LineHeight, View->topLevelItemCount() - 1);
    View->scrollToItem(View->topLevelItem(Target), QAbstractItemView::PositionAtTop);
  }

private:
  QTreeWidget* View;
};

// The plot: a QImage the size of the display panel's client area, drawn on
// with QPainter as a GDI canvas would: rectangles and lines exclude their
// right and bottom ends, texts are placed by their top left corner on a cell
// filled with the brush colour, in black.
class TMainForm::TSurfacePort : public ISurface {
public:
  TSurfacePort(const QSize& Size, const QFont& Font) : Image(Size, QImage::Format_RGB32), Font(Font)
  {
    Image.fill(Qt::white);
    SetPen(TPenStyle::Solid, Black, 1);
  }

  int Width() const override { return Image.width(); }
  int Height() const override { return Image.height(); }

  void SetPen(TPenStyle Style, TColour Colour, int PenWidth) override
  {
    Pen.setColor(ToQColor(Colour));
    Pen.setWidth(PenWidth);
    // Wide lines end round, thin ones stop before their end point.
    Pen.setCapStyle(PenWidth > 1 ? Qt::RoundCap : Qt::FlatCap);
    Pen.setJoinStyle(Qt::RoundJoin);
    SetPenStyle(Style);
  }

  void SetPenStyle(TPenStyle Style) override
  {
    switch (Style) {
    case TPenStyle::Solid:
      Pen.setStyle(Qt::SolidLine);
      break;
    case TPenStyle::Dotted:
      // The grid's dots: three pixels drawn, three left out.
      Pen.setStyle(Qt::CustomDashLine);
      Pen.setDashPattern({3.0, 3.0});
      break;
    case TPenStyle::Clear:
      Pen.setStyle(Qt::NoPen);
      break;
    }
  }

  void SetBrush(TColour Colour) override { Brush = ToQColor(Colour); }
  void SetBold(bool Bold) override { Font.setBold(Bold); }

  void Rectangle(int Left, int Top, int Right, int Bottom) override
  {
    if (Right <= Left || Bottom <= Top)
      return;
    QPainter P(&Image);
    P.fillRect(QRect(Left, Top, Right - Left, Bottom - Top), Brush);
    if (Pen.style() == Qt::NoPen)
      return;
    P.setPen(Pen);
    P.setBrush(Qt::NoBrush);
    P.drawRect(Left, Top, Right - Left - 1, Bottom - Top - 1);
  }

  void Ellipse(int Left, int Top, int Right, int Bottom) override
  {
    QPainter P(&Image);
    P.setPen(Pen);
    P.setBrush(Brush);
    P.drawEllipse(Left, Top, Right - Left - 1, Bottom - Top - 1);
  }

  void MoveTo(int X, int Y) override { Position = QPoint(X, Y); }

  void LineTo(int X, int Y) override
  {
    const QPoint End(X, Y);
    if (Pen.style() != Qt::NoPen) {
      QPainter P(&Image);
      P.setPen(Pen);
      P.drawLine(Position, End);
    }
    Position = End;
  }

  void TextOut(int X, int Y, const std::string& Text) override
  {
    const QString S = ToQt(Text);
    QPainter P(&Image);
    P.setFont(Font);
    const QFontMetrics M = P.fontMetrics();
    P.fillRect(QRect(X, Y, M.horizontalAdvance(S), M.height()), Brush);
    P.setPen(Qt::black);
    // QPainter places text on its baseline, the logic by its top.
    P.drawText(X, Y + M.ascent(), S);
  }

  int TextWidth(const std::string& Text) const override
  {
    return QFontMetrics(Font, &Image).horizontalAdvance(ToQt(Text));
  }

  TColour Pixel(int X, int Y) const override
  {
    if (!Image.valid(X, Y))
      return White;
    const QRgb C = Image.pixel(X, Y);
    return {static_cast<std::uint8_t>(qRed(C)), static_cast<std::uint8_t>(qGreen(C)),
            static_cast<std::uint8_t>(qBlue(C))};
  }

  void SetPixel(int X, int Y, TColour Colour) override
  {
    if (Image.valid(X, Y))
      Image.setPixel(X, Y, qRgb(Colour.R, Colour.G, Colour.B));
  }

  QImage Image;

private:
  static QColor ToQColor(TColour C) { return QColor(C.R, C.G, C.B); }

  QFont Font;
  QPen Pen;
  QColor Brush = Qt::white;
  QPoint Position;
};

// The system clipboard: text, or the plot picture.
class TMainForm::TClipboardPort : public IClipboard {
public:
  explicit TClipboardPort(const TSurfacePort& Surface) : Surface(Surface) {}

  bool HasText() const override
  {
    const QMimeData* Data = QGuiApplication::clipboard()->mimeData();
    return Data && Data->hasText();
  }
  // Other programs on this desktop end clipboard lines with LF alone, while
  // the paste logic cuts lines at CR LF: every line end becomes CR LF here.
  std::string Text() const override
  {
    QString Text = QGuiApplication::clipboard()->text();
    Text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    Text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return FromQt(Text);
  }
  void SetText(const std::string& Text) override { QGuiApplication::clipboard()->setText(ToQt(Text)); }
  void SetPicture() override { QGuiApplication::clipboard()->setImage(Surface.Image); }

private:
  const TSurfacePort& Surface;
};

// The desktop: the program's folder and the viewer registered for a file.
class TMainForm::TShellPort : public IShell {
public:
  std::string ExecutableFolder() const override { return FromQt(QCoreApplication::applicationDirPath()) + "/"; }

  // A missing file fails here: the desktop would only report that its
  // opener started.
  bool OpenDocument(const std::string& Path) override
  {
    const QString File = ToQt(Path);
    return QFileInfo::exists(File) && QDesktopServices::openUrl(QUrl::fromLocalFile(File));
  }
};

// The sheet's cell editor: reports the start and the end of every edit to
// the edit guard and lets the sheet keys act before the editor sees them.
class TMainForm::TSheetDelegate : public QStyledItemDelegate {
public:
  TSheetDelegate(TMainForm& Form, QObject* Parent) : QStyledItemDelegate(Parent), Form(Form) {}

  // Editing begins. (Not in setEditorData: storing the edited text refreshes
  // the open editor through it, which would overwrite the guard's text.)
  QWidget* createEditor(QWidget* Parent, const QStyleOptionViewItem& Option, const QModelIndex& Index) const override
  {
    Form.StringGrid1GetEditText(Index.column() + 1, Index.row() + 1, Index.data(Qt::EditRole).toString());
    return QStyledItemDelegate::createEditor(Parent, Option, Index);
  }

  void setModelData(QWidget* Editor, QAbstractItemModel* Model, const QModelIndex& Index) const override
  {
    QStyledItemDelegate::setModelData(Editor, Model, Index);
    Form.StringGrid1SetEditText(Index.column() + 1, Index.row() + 1, Model->data(Index, Qt::EditRole).toString());
  }

protected:
  // A sheet key stores the edited text and closes the editor first, so the
  // key acts on the stored cells; the editor then opens again.
  bool eventFilter(QObject* Object, QEvent* Event) override
  {
    QWidget* Editor = qobject_cast<QWidget*>(Object);
    if (Editor && Event->type() == QEvent::KeyPress) {
      const QKeyEvent* Key = static_cast<const QKeyEvent*>(Event);
      if (IsSheetCommand(TypedCharacter(Key))) {
        emit commitData(Editor);
        emit closeEditor(Editor, QAbstractItemDelegate::NoHint);
        return Form.StringGrid1KeyPress(Key);
      }
    }
    return QStyledItemDelegate::eventFilter(Object, Event);
  }

private:
  TMainForm& Form;
};

// ---------------------------------------------------------------------------
// Construction

TMainForm::TMainForm(QWidget* Parent) : QWidget(Parent)
{
  setObjectName(QStringLiteral("MainForm"));
  setWindowTitle(QStringLiteral("Titrelle Regression/Fitting Calculation Program - v 0.1"));
  // A dialog frame: close button only, fixed size.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setFont(WindowFont());
  setFixedSize(ClientWidth, ClientHeight);

  CreateControlPanel();
  CreateDisplayPanel();
  SetTabOrder();
  ConnectPorts();
  ConnectHandlers();

  // A new window is a new run of the calculator: the logic starts afresh
  // with the model list at its first entry.
  ResetWorkbench();
  InitModels();
  FormCreate();

  if (const QScreen* Screen = screen())
    move(Screen->availableGeometry().center() - rect().center());
}

TMainForm::~TMainForm()
{
  // The logic must not reach a window that is gone.
  if (Window().Sheet == Sheet.get())
    ConnectWindow(TWindowPorts());
  // An open cell editor stores its text when it goes; that reaches this
  // window's handlers, so the sheet goes while the window is still whole.
  delete StringGrid1;
  StringGrid1 = nullptr;
}

void TMainForm::CreateControlPanel()
{
  Panel1 = Named<QFrame>(this, "Panel1");
  Panel1->setFrameShape(QFrame::NoFrame);
  Panel1->setGeometry(2, 8, 188, 409);

  Label1 = Named<QLabel>(Panel1, "Label1");
  Label1->setText(QStringLiteral("Regression/Fitting Model(&M)     "));
  PlaceLabel(Label1, 8, 8);

  ComboBox1 = Named<QComboBox>(Panel1, "ComboBox1");
  for (const char* Entry :
       {"Linear regression", "Quadratic curve regression", "Cubic curve regression", "Logit-log Linear regression",
        "Logistic Curve fitting1", "Logistic Curve fitting 2 (Four parameters)",
        "Logistic Curve fitting 3 (Five parameters)", "Hill Curve fitting", "Exponential curve fitting",
        "Cubic Spline Interpolation"})
    ComboBox1->addItem(QString::fromUtf8(Entry));
  ComboBox1->setMaxVisibleItems(10);
  ComboBox1->setCurrentIndex(0);
  Place(ComboBox1, 8, 24, 169, FieldHeight);
  Label1->setBuddy(ComboBox1);

  CheckBox1 = Named<QCheckBox>(Panel1, "CheckBox1");
  CheckBox1->setText(QStringLiteral("Use the general form of Logistic(&G)"));
  Place(CheckBox1, 8, 56, 169, 17);
  CheckBox1->hide();

  CheckBox2 = Named<QCheckBox>(Panel1, "CheckBox2");
  CheckBox2->setText(QStringLiteral("With a constant term(&T)"));
  CheckBox2->setChecked(true);
  Place(CheckBox2, 8, 80, 129, 17);
  CheckBox2->hide();

  CheckBox3 = Named<QCheckBox>(Panel1, "CheckBox3");
  CheckBox3->setText(QStringLiteral("Subtract the background(&B)"));
  Place(CheckBox3, 8, 120, 97, 17);

  Edit4 = Named<QLineEdit>(Panel1, "Edit4");
  Edit4->setText(QStringLiteral("Please enter the background value"));
  Edit4->setCursorPosition(0);
  Place(Edit4, 104, 120, 73, FieldHeight);

  Label2 = Named<QLabel>(Panel1, "Label2");
  Label2->setText(QStringLiteral("&X data column     "));
  PlaceLabel(Label2, 8, 152);
  Label3 = Named<QLabel>(Panel1, "Label3");
  Label3->setText(QStringLiteral("&Y data column     "));
  PlaceLabel(Label3, 96, 152);

  const QStringList Transformations = {QStringLiteral("No transformation"),   QStringLiteral("Logarithm (base 2)"),
                                       QStringLiteral("Logarithm (base 10)"), QStringLiteral("Square"),
                                       QStringLiteral("Square root"),         QStringLiteral("Exponential")};
  ComboBox2 = Named<QComboBox>(Panel1, "ComboBox2");
  ComboBox2->addItems(Transformations);
  Place(ComboBox2, 8, 168, 81, FieldHeight);
  Label2->setBuddy(ComboBox2);
  ComboBox3 = Named<QComboBox>(Panel1, "ComboBox3");
  ComboBox3->addItems(Transformations);
  Place(ComboBox3, 96, 168, 81, FieldHeight);
  Label3->setBuddy(ComboBox3);
  // The entries are wider than the lists; their pop-ups show them whole.
  for (QComboBox* Box : {ComboBox2, ComboBox3})
    Box->view()->setMinimumWidth(Box->view()->sizeHintForColumn(0) + 8);

  Label5 = Named<QLabel>(Panel1, "Label5");
  Label5->setText(QStringLiteral("Name "));
  PlaceLabel(Label5, 8, 200);
  Label6 = Named<QLabel>(Panel1, "Label6");
  Label6->setText(QStringLiteral("Name "));
  PlaceLabel(Label6, 96, 200);

  Edit2 = Named<QLineEdit>(Panel1, "Edit2");
  Edit2->setText(QStringLiteral("X Value"));
  Place(Edit2, 24, 197, 65, FieldHeight);
  Edit3 = Named<QLineEdit>(Panel1, "Edit3");
  Edit3->setText(QStringLiteral("Y Value"));
  Place(Edit3, 112, 197, 65, FieldHeight);

  Button1 = NamedButton(Panel1, "Button1", "Regression/Fitting(&R)");
  Place(Button1, 8, 232, 169, 25);
  Button8 = NamedButton(Panel1, "Button8", "Regression Equation(&R)");
  Place(Button8, 8, 264, 169, 25);
  Button2 = NamedButton(Panel1, "Button2", "Calculate X from Y");
  Place(Button2, 8, 296, 81, 25);
  Button3 = NamedButton(Panel1, "Button3", "Calculate Y from X");
  Place(Button3, 96, 296, 81, 25);
  Button4 = NamedButton(Panel1, "Button4", "Copy(&C)");
  Place(Button4, 8, 344, 81, 25);
  Button10 = NamedButton(Panel1, "Button10", "Paste(&P)");
  Place(Button10, 96, 344, 81, 25);
  Button6 = NamedButton(Panel1, "Button6", "Exit(&E)");
  Place(Button6, 8, 376, 97, 25);
  // The exit button's caption is in the highlight colour.
  QPalette ExitPalette = Button6->palette();
  ExitPalette.setColor(QPalette::ButtonText, ExitPalette.color(QPalette::Highlight));
  Button6->setPalette(ExitPalette);
  Button5 = NamedButton(Panel1, "Button5", "Help(&H)...");
  Place(Button5, 112, 376, 65, 25);

  for (const int Y : {96, 136, 216, 328})
    AddBevel(Panel1, Y);
}

void TMainForm::CreateDisplayPanel()
{
  Panel2 = Named<QFrame>(this, "Panel2");
  Panel2->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);  // two pixels
  Panel2->setGeometry(190, 8, 433, 409);
  const QSize Client = Panel2->contentsRect().size();

  StringGrid1 = Named<QTableWidget>(Panel2, "StringGrid1");
  StringGrid1->setFont(FixedPitchFont());
  StringGrid1->setColumnCount(2);
  StringGrid1->setHorizontalHeaderItem(0, new QTableWidgetItem());
  StringGrid1->setHorizontalHeaderItem(1, new QTableWidgetItem());
  QHeaderView* Columns = StringGrid1->horizontalHeader();
  QHeaderView* Rows = StringGrid1->verticalHeader();
  for (QHeaderView* Header : {Columns, Rows}) {
    Header->setSectionsClickable(false);
    Header->setHighlightSections(false);
    Header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Header->setMinimumSectionSize(1);
  }
  Columns->setSectionResizeMode(QHeaderView::Fixed);
  Columns->resizeSection(0, DataColumnWidth);
  Columns->resizeSection(1, DataColumnWidth);
  Columns->setFixedHeight(SheetRowHeight);
  Rows->setSectionResizeMode(QHeaderView::Fixed);
  Rows->setDefaultSectionSize(SheetRowHeight);
  Rows->setFixedWidth(LabelColumnWidth);
  StringGrid1->setCornerButtonEnabled(false);
  StringGrid1->setSelectionMode(QAbstractItemView::ContiguousSelection);
  StringGrid1->setSelectionBehavior(QAbstractItemView::SelectItems);
  StringGrid1->setTabKeyNavigation(true);
  StringGrid1->setItemDelegate(new TSheetDelegate(*this, StringGrid1));
  Place(StringGrid1, 8, 8, 290, 393);

  Image1 = Named<QLabel>(Panel2, "Image1");
  Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Place(Image1, 0, 0, Client.width(), Client.height());

  Label4 = Named<QLabel>(Panel2, "Label4");
  Label4->setText(QStringLiteral("X Value:  "));
  PlaceLabel(Label4, 8, 8);

  Edit1 = Named<QLineEdit>(Panel2, "Edit1");
  Edit1->setText(QStringLiteral("Edit1"));
  Place(Edit1, 40, 8, 121, FieldHeight);
  Label4->setBuddy(Edit1);

  Button7 = NamedButton(Panel2, "Button7", "Calculation(&L)");
  Place(Button7, 168, 8, 75, 25);
  Button9 = NamedButton(Panel2, "Button9", "Clear(&Z)");
  Place(Button9, 320, 8, 75, 25);

  ListView1 = Named<QTreeWidget>(Panel2, "ListView1");
  ListView1->setColumnCount(2);
  ListView1->setHeaderLabels({QStringLiteral("X Value"), QStringLiteral("Y Value")});
  ListView1->header()->setStretchLastSection(false);
  ListView1->header()->setSectionsMovable(false);
  ListView1->header()->resizeSection(0, InputColumnWidth);
  ListView1->header()->resizeSection(1, ResultColumnWidth);
  ListView1->setRootIsDecorated(false);
  ListView1->setItemsExpandable(false);
  ListView1->setUniformRowHeights(true);
  ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
  ListView1->setAllColumnsShowFocus(true);
  Place(ListView1, 8, 40, 417, 361);

  Memo1 = Named<QPlainTextEdit>(Panel2, "Memo1");
  Memo1->setFont(FixedPitchFont());
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setPlainText(QStringLiteral("Memo1"));
  Place(Memo1, 0, 0, Client.width(), Client.height());
}

void TMainForm::SetTabOrder()
{
  QWidget* const Order[] = {ComboBox1, CheckBox1, CheckBox2, CheckBox3, Edit4,    ComboBox2,   ComboBox3, Edit2,
                            Edit3,     Button1,   Button8,   Button2,   Button3,  Button4,     Button10,  Button6,
                            Button5,   StringGrid1, Edit1,   Button7,   Button9,  ListView1,   Memo1};
  for (std::size_t I = 1; I < std::size(Order); ++I)
    setTabOrder(Order[I - 1], Order[I]);
}

void TMainForm::ConnectPorts()
{
  Sheet = std::make_unique<TSheetPort>(StringGrid1);
  Sheet->SetRowCount(InitialRowCount);
  for (int R = 0; R < StringGrid1->rowCount(); ++R)
    for (int C = 0; C < StringGrid1->columnCount(); ++C)
      StringGrid1->setItem(R, C, new QTableWidgetItem());
  // The current cell starts at the first data cell; from now on moving it
  // opens the cell editor, as every key typed or a click does.
  StringGrid1->setCurrentCell(0, 0);
  StringGrid1->setEditTriggers(QAbstractItemView::AllEditTriggers);

  Controls = std::make_unique<TControlsPort>(*this);
  Messages = std::make_unique<TMessagesPort>(this);
  List = std::make_unique<TListPort>(ListView1);
  Surface = std::make_unique<TSurfacePort>(Image1->size(), WindowFont());
  Clipboard = std::make_unique<TClipboardPort>(*Surface);
  Shell = std::make_unique<TShellPort>();
  MessagesInUse = Messages.get();
  ShellInUse = Shell.get();
  ConnectWindow({Sheet.get(), Controls.get(), MessagesInUse, List.get(), Surface.get(), Clipboard.get(), ShellInUse});
  ShowPlot();
}

void TMainForm::ConnectHandlers()
{
  connect(ComboBox1, &QComboBox::currentIndexChanged, this, &TMainForm::ComboBox1Change);
  connect(Button1, &QPushButton::clicked, this, &TMainForm::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TMainForm::Button2Click);
  connect(Button3, &QPushButton::clicked, this, &TMainForm::Button3Click);
  connect(Button4, &QPushButton::clicked, this, &TMainForm::Button4Click);
  connect(Button5, &QPushButton::clicked, this, &TMainForm::Button5Click);
  connect(Button6, &QPushButton::clicked, this, &TMainForm::Button6Click);
  connect(Button7, &QPushButton::clicked, this, &TMainForm::Button7Click);
  connect(Button8, &QPushButton::clicked, this, &TMainForm::Button8Click);
  connect(Button9, &QPushButton::clicked, this, &TMainForm::Button9Click);
  connect(Button10, &QPushButton::clicked, this, &TMainForm::Button10Click);

  // Mouse and key events the widgets have no signal for.
  Button1->installEventFilter(this);
  Panel1->installEventFilter(this);
  Edit4->installEventFilter(this);
  StringGrid1->installEventFilter(this);
  StringGrid1->viewport()->installEventFilter(this);
  StringGrid1->verticalHeader()->viewport()->installEventFilter(this);
  StringGrid1->horizontalHeader()->viewport()->installEventFilter(this);
}

void TMainForm::SetMessages(IMessages* NewMessages)
{
  MessagesInUse = NewMessages ? NewMessages : Messages.get();
  ConnectWindow({Sheet.get(), Controls.get(), MessagesInUse, List.get(), Surface.get(), Clipboard.get(), ShellInUse});
}

void TMainForm::SetShell(IShell* NewShell)
{
  ShellInUse = NewShell ? NewShell : Shell.get();
  ConnectWindow({Sheet.get(), Controls.get(), MessagesInUse, List.get(), Surface.get(), Clipboard.get(), ShellInUse});
}

QImage TMainForm::PlotImage() const { return Surface->Image; }

// Image1 shows the picture as the logic last drew it.
void TMainForm::ShowPlot() { Image1->setPixmap(QPixmap::fromImage(Surface->Image)); }

// ---------------------------------------------------------------------------
// Events

void TMainForm::closeEvent(QCloseEvent* Event) { Event->setAccepted(FormCloseQuery()); }

// Enter outside the sheet presses the focused button, or the default button
// (Button7 in the calculation lists).
void TMainForm::keyPressEvent(QKeyEvent* Event)
{
  if (Event->key() == Qt::Key_Return || Event->key() == Qt::Key_Enter) {
    if (auto* Focused = qobject_cast<QPushButton*>(focusWidget()); Focused && Focused->isEnabled()) {
      Focused->click();
      return;
    }
    if (Button7->isDefault() && Button7->isVisible() && Button7->isEnabled()) {
      Button7->click();
      return;
    }
  }
  QWidget::keyPressEvent(Event);
}

bool TMainForm::eventFilter(QObject* Watched, QEvent* Event)
{
  const QEvent::Type Type = Event->type();
  if (Type == QEvent::MouseButtonPress) {
    const auto* Mouse = static_cast<const QMouseEvent*>(Event);
    const QPoint At = Mouse->position().toPoint();
    if (Watched == Button1)
      Button1MouseDown(Mouse->modifiers());
    else if (Watched == Panel1 && !Panel1->childAt(At))
      Panel1MouseDown(Mouse->modifiers());
    else if (Watched == StringGrid1->viewport()) {
      const QModelIndex Cell = StringGrid1->indexAt(At);
      if (Cell.isValid())
        StringGrid1MouseDown(Cell.column() + 1, Cell.row() + 1);
    } else if (Watched == StringGrid1->verticalHeader()->viewport()) {
      const int Row = StringGrid1->verticalHeader()->logicalIndexAt(At);
      if (Row >= 0)
        StringGrid1MouseDown(0, Row + 1);
    } else if (Watched == StringGrid1->horizontalHeader()->viewport()) {
      const int Col = StringGrid1->horizontalHeader()->logicalIndexAt(At);
      if (Col >= 0)
        StringGrid1MouseDown(Col + 1, 0);
    }
  } else if (Type == QEvent::MouseButtonDblClick && Watched == Edit4) {
    Edit4DblClick();
    return true;
  } else if (Type == QEvent::KeyPress && Watched == StringGrid1) {
    return StringGrid1KeyPress(static_cast<const QKeyEvent*>(Event));
  }
  return QWidget::eventFilter(Watched, Event);
}

// ---------------------------------------------------------------------------
// Handlers

// The list is enabled in the data sheet view only; the view update keeps the
// (hidden) report button's state in step with the model.
void TMainForm::ComboBox1Change(int Index)
{
  ChooseModel(Index);
  UpdateView();
}

void TMainForm::Button1MouseDown(Qt::KeyboardModifiers Modifiers)
{
  Titrelle::Button1MouseDown(Modifiers.testFlag(Qt::ControlModifier), Modifiers.testFlag(Qt::AltModifier));
}

void TMainForm::Button1Click()
{
  Titrelle::Button1Click();
  ShowPlot();
}

void TMainForm::Button2Click() { Titrelle::Button2Click(); }
void TMainForm::Button3Click() { Titrelle::Button3Click(); }
void TMainForm::Button4Click() { CopyView(); }
void TMainForm::Button5Click() { ShowHelp(); }
void TMainForm::Button6Click() { close(); }
void TMainForm::Button7Click() { EnterCalculation(); }
void TMainForm::Button8Click() { Titrelle::Button8Click(); }
void TMainForm::Button9Click() { Titrelle::Button9Click(); }
void TMainForm::Button10Click() { PasteText(); }

void TMainForm::Panel1MouseDown(Qt::KeyboardModifiers Modifiers)
{
  Titrelle::Panel1MouseDown(Modifiers.testFlag(Qt::ControlModifier), Modifiers.testFlag(Qt::AltModifier),
                            Modifiers.testFlag(Qt::ShiftModifier));
}

void TMainForm::Edit4DblClick() { Edit4->selectAll(); }

void TMainForm::StringGrid1MouseDown(int Col, int Row) { ToggleExclusion(Row, Col); }

// The edit guard only acts for the window the logic is connected to (not,
// for instance, while the window is being destroyed).
void TMainForm::StringGrid1GetEditText(int Col, int Row, const QString& Text)
{
  if (Window().Sheet == Sheet.get())
    BeginCellEdit(Col, Row, FromQt(Text));
}

void TMainForm::StringGrid1SetEditText(int Col, int Row, const QString& Text)
{
  if (Window().Sheet == Sheet.get())
    EndCellEdit(Col, Row, FromQt(Text));
}

// A character typed in the sheet; true when the sheet consumed it. The cell
// editor is always shown, so it opens again on the (new) current cell.
bool TMainForm::StringGrid1KeyPress(const QKeyEvent* Event)
{
  const int Key = TypedCharacter(Event);
  if (Key == 0 || !SheetKeyPress(static_cast<char>(Key)))
    return false;
  const QModelIndex Current = StringGrid1->currentIndex();
  if (StringGrid1->indexWidget(Current) == nullptr)
    StringGrid1->edit(Current);
  return true;
}

}  // namespace Titrelle
