// The main window's commands: the view update by mode, start-up, the
// regression run, the buttons, clipboard exchange, the sheet keys, the exit
// confirmation, the help page and the About box.
#include <algorithm>
#include <string>
#include <vector>

#include "models/ModelShared.h"
#include "workbench/MainUnit.h"

namespace Titrelle {

namespace {

const char* const RegressionFaultText = "回归计算时出现运算错误, 可能您的数据不适合此回归模型. ";
const char* const BackgroundInvalidText = "错误: 您输入的背景值不是有效的数字格式";
const char* const ExitQuestionText = "您确定您真的要退出Titrelle吗?";
const char* const HelpFailureText =
    "打开帮助文件时出现错误. \r请检查帮助文件是否存在, HTM文件是否有关联的应用程序, 等等.\r"
    "帮助文件应该在该程序文件所在文件夹下的\\Help子文件夹中, 名字为EIA_Readme.htm    ";
const char* const ErrorCaption = "错误";

// The data columns of the sheet.
constexpr int XColumn = 1;
constexpr int YColumn = 2;

void ShowError(const std::string& Text)
{
  Window().Messages->Show({Text, ErrorCaption, TMessageIcon::Error, TMessageButtons::Ok});
}

// Grows the sheet to at least Rows rows; every new row gets its plain label.
void GrowSheet(int Rows)
{
  ISheet& Sheet = *Window().Sheet;
  const int Old = Sheet.RowCount();
  if (Rows <= Old)
    return;
  Sheet.SetRowCount(Rows);
  for (int R = Old; R < Rows; ++R) {
    Sheet.SetCell(0, R, std::to_string(R));
    Sheet.SetCell(XColumn, R, "");
    Sheet.SetCell(YColumn, R, "");
  }
}

// The clipboard text cut at every CR LF; a CR or LF alone stays in its line,
// and a non-empty rest after the last line end is the last line.
std::vector<std::string> SplitLines(const std::string& Text)
{
  std::vector<std::string> Lines;
  std::size_t Start = 0;
  for (std::size_t End = Text.find("\r\n"); End != std::string::npos; End = Text.find("\r\n", Start)) {
    Lines.push_back(Text.substr(Start, End - Start));
    Start = End + 2;
  }
  if (Start < Text.size())
    Lines.push_back(Text.substr(Start));
  return Lines;
}

// Tokens of Line separated by runs of characters with codes up to 32.
std::vector<std::string> SplitTokens(const std::string& Line)
{
  std::vector<std::string> Tokens;
  std::string Token;
  for (const char C : Line) {
    if (static_cast<unsigned char>(C) <= 32) {
      if (!Token.empty())
        Tokens.push_back(Token);
      Token.clear();
    } else {
      Token += C;
    }
  }
  if (!Token.empty())
    Tokens.push_back(Token);
  return Tokens;
}

// Pastes Lines into the sheet from the current row on. The filled rows from
// there down move by the number of lines, and the sheet grows as far as
// needed, so that no cell the user typed or pasted is lost.
void PasteIntoSheet(const std::vector<std::string>& Lines)
{
  ISheet& Sheet = *Window().Sheet;
  const int C = std::max(1, Sheet.CurrentRow());
  const int L = static_cast<int>(Lines.size());
  if (L == 0)
    return;

  // 1. Make room: rows C..LastUsedRow move down by L.
  const int Used = LastUsedRow();
  const int LastNeeded = std::max(C + L - 1, Used >= C ? Used + L : 0);
  GrowSheet(LastNeeded + 1);
  for (int R = LastNeeded; R >= C + L; --R) {
    Sheet.SetCell(XColumn, R, Sheet.Cell(XColumn, R - L));
    Sheet.SetCell(YColumn, R, Sheet.Cell(YColumn, R - L));
  }

  // 2. Each line on its row: X before the first tab, Y up to the next tab.
  for (int I = 0; I < L; ++I) {
    const std::string& Line = Lines[static_cast<std::size_t>(I)];
    const int Row = C + I;
    std::string X = Line, Y;
    const std::size_t Tab = Line.find('\t');
    if (Tab != std::string::npos) {
      X = Line.substr(0, Tab);
      const std::string Rest = Line.substr(Tab + 1);
      Y = Rest.substr(0, Rest.find('\t'));
    }
    Sheet.SetCell(XColumn, Row, X);
    Sheet.SetCell(YColumn, Row, Y);
  }
}

// True when the current cell is a data cell (column 1 or 2, row 1 or below).
bool OnDataCell(const ISheet& Sheet)
{
  const int Col = Sheet.CurrentCol();
  const int Row = Sheet.CurrentRow();
  return (Col == XColumn || Col == YColumn) && Row >= 1 && Row < Sheet.RowCount();
}

}  // namespace

// ---------------------------------------------------------------------------
// View

// The state of the controls for Mode (0..4) and ModelCode; another mode
// gives the all-false state.
TViewState ViewStateFor(int Mode, int ModelCode)
{
  TViewState S;
  const bool Report = ModelCode != SplineModelCode;
  switch (Mode) {
  case ModeDataEntry:
    S.SheetVisible = true;
    S.InputsEnabled = true;
    S.XFromYEnabled = true;
    S.YFromXEnabled = true;
    S.ReportEnabled = Report;
    S.ClearVisible = true;
    S.PasteEnabled = true;
    S.FitCaption = "回归/拟合(&R)";
    break;
  case ModeCurve:
    S.ImageVisible = true;
    S.ModeButtonsVisible = true;
    S.XFromYEnabled = true;
    S.YFromXEnabled = true;
    S.ReportVisible = true;
    S.ReportEnabled = Report;
    S.FitCaption = "数据输入(&R)";
    break;
  case ModeXFromY:
  case ModeYFromX:
    S.CalculationVisible = true;
    S.ModeButtonsVisible = true;
    S.XFromYEnabled = Mode == ModeYFromX;
    S.YFromXEnabled = Mode == ModeXFromY;
    S.CalculationDefault = true;
    S.ReportVisible = true;
    S.ReportEnabled = Report;
    S.ClearVisible = true;
    S.PasteEnabled = true;
    S.FitCaption = "曲线(&R)";
    break;
  case ModeReport:
    S.MemoVisible = true;
    S.ModeButtonsVisible = true;
    S.XFromYEnabled = true;
    S.YFromXEnabled = true;
    S.ReportVisible = true;
    S.FitCaption = "曲线(&R)";
    break;
  default:
    break;
  }
  return S;
}

// Applies the view state of the current mode; entering a calculation list
// also empties and focuses the input field, sets the captions and
// recalculates the mode's stored inputs.
void UpdateView()
{
  const TWorkbenchState& State = Workbench();
  IControls& Controls = *Window().Controls;
  Controls.ApplyViewState(ViewStateFor(State.ViewMode, State.ModelCode));
  if (State.ViewMode != ModeXFromY && State.ViewMode != ModeYFromX)
    return;
  Controls.SetInputText("");
  Controls.FocusInput();
  if (State.ViewMode == ModeXFromY) {
    Controls.SetInputLabel("Y值  ");
    Window().List->SetColumnCaptions("Y值", "X值");
  } else {
    Controls.SetInputLabel("X值  ");
    Window().List->SetColumnCaptions("X值", "Y值");
  }
  RelistCalculations();
}

// ---------------------------------------------------------------------------
// Start-up

// Window creation: data sheet view, sheet headers and row labels, sheet focus.
// The model list stays at its first entry with ModelCode 0 (no change event).
void FormCreate()
{
  // 1. The data sheet view.
  Workbench().ViewMode = ModeDataEntry;
  UpdateView();

  // 2. Headers and row labels (the column widths are the window's).
  ISheet& Sheet = *Window().Sheet;
  Sheet.SetCell(0, 0, "");
  Sheet.SetCell(XColumn, 0, "X (浓度/剂量)");
  Sheet.SetCell(YColumn, 0, "Y (反应值)");
  for (int R = 1; R < Sheet.RowCount(); ++R)
    Sheet.SetCell(0, R, std::to_string(R));

  // 3. The sheet is the active control.
  Sheet.Focus();
}

// ---------------------------------------------------------------------------
// Regression run and buttons

// The fit button in ModeDataEntry: read, fit, draw. A data message stops the
// run with nothing else changed; an arithmetic fault shows the regression
// error message and the view follows the mode reached (data entry when
// reading or fitting faulted, the curve when drawing did).
void RunRegression()
{
  TWorkbenchState& State = Workbench();
  // A ticked background box with a field that is no number would silently
  // subtract 0; the run stops like a data error instead.
  if (!BackgroundIsValid()) {
    ShowError(BackgroundInvalidText);
    return;
  }
  try {
    // 1. The data.
    if (!ReadData())
      return;
    // 2. The fit; after a non-convergence message the curve is drawn anyway.
    FitCurve();
    // 3, 4. The curve view and its picture.
    State.ViewMode = ModeCurve;
    DrawCurve();
  } catch (const ArithmeticFault&) {
    ShowError(RegressionFaultText);
  }
  // 5. The view of the mode reached; back in the data sheet it gets the focus.
  UpdateView();
  if (State.ViewMode == ModeDataEntry)
    Window().Sheet->Focus();
}

// Mouse button down on the fit button: the estimate margins of the next fit,
// 2.0 with Ctrl (upper) or Alt (lower) held, else 0.05; only in ModeDataEntry.
void Button1MouseDown(bool Ctrl, bool Alt)
{
  if (Workbench().ViewMode != ModeDataEntry)
    return;
  UpperMargin = Ctrl ? 2.0 : 0.05;
  LowerMargin = Alt ? 2.0 : 0.05;
}

// The fit button by mode: run the regression from the sheet, go back to the
// sheet from the curve, or back to the curve from a list or the report.
void Button1Click()
{
  TWorkbenchState& State = Workbench();
  switch (State.ViewMode) {
  case ModeDataEntry:
    RunRegression();
    return;
  case ModeCurve:
    State.ViewMode = ModeDataEntry;
    break;
  default:
    State.ViewMode = ModeCurve;
    break;
  }
  UpdateView();
  if (State.ViewMode == ModeDataEntry)
    Window().Sheet->Focus();
}

void Button2Click()
{
  Workbench().ViewMode = ModeXFromY;
  UpdateView();
}

void Button3Click()
{
  Workbench().ViewMode = ModeYFromX;
  UpdateView();
}

// The report button: the report, then the view. A report abandoned in its
// first step leaves the mode as it was, and the view is then left alone.
void Button8Click()
{
  ShowReport();
  if (Workbench().ViewMode == ModeReport)
    UpdateView();
}

// The clear button: the current calculation list, or every X and Y cell of
// the sheet (labels and exclusion marks stay) with the cursor back at the top.
void Button9Click()
{
  const int Mode = Workbench().ViewMode;
  if (Mode == ModeXFromY || Mode == ModeYFromX) {
    ClearCalculations();
    return;
  }
  if (Mode != ModeDataEntry)
    return;
  ISheet& Sheet = *Window().Sheet;
  for (int R = 1; R < Sheet.RowCount(); ++R) {
    Sheet.SetCell(XColumn, R, "");
    Sheet.SetCell(YColumn, R, "");
  }
  Sheet.SetCurrentCell(XColumn, 1);
  Sheet.Focus();
}

// ---------------------------------------------------------------------------
// Clipboard

// Copies the shown view: the sheet or a calculation list as tab-separated
// lines ended by CR LF, the picture of the curve, or the report text.
void CopyView()
{
  const TWindowPorts& W = Window();
  std::string Text;
  switch (Workbench().ViewMode) {
  case ModeDataEntry: {
    // Cell texts as they stand, excluded rows included and unmarked.
    Text = "x\ty\r\n";
    const int Last = LastUsedRow();
    for (int R = 1; R <= Last; ++R)
      Text += W.Sheet->Cell(XColumn, R) + "\t" + W.Sheet->Cell(YColumn, R) + "\r\n";
    break;
  }
  case ModeCurve:
    W.Clipboard->SetPicture();
    return;
  case ModeXFromY:
  case ModeYFromX:
    Text = W.List->ColumnCaption(0) + "\t" + W.List->ColumnCaption(1) + "\r\n";
    for (int I = 0; I < W.List->ItemCount(); ++I)
      Text += W.List->ItemText(I, 0) + "\t" + W.List->ItemText(I, 1) + "\r\n";
    break;
  case ModeReport:
    Text = W.Controls->ReportText();
    break;
  default:
    return;
  }
  W.Clipboard->SetText(Text);
}

// Pastes the clipboard's text into the sheet (ModeDataEntry) or calculates
// every value of it in the current list; nothing without text on the
// clipboard or in the other modes.
void PasteText()
{
  const TWindowPorts& W = Window();
  if (!W.Clipboard->HasText())
    return;
  // 1. Lines at CR LF.
  const std::vector<std::string> Lines = SplitLines(W.Clipboard->Text());
  TWorkbenchState& State = Workbench();
  switch (State.ViewMode) {
  case ModeDataEntry:
    // 2. Into the sheet.
    PasteIntoSheet(Lines);
    break;
  case ModeXFromY:
  case ModeYFromX: {
    // 3. Every value into the mode's input list and calculated, in order.
    std::vector<std::string>& Inputs = State.ViewMode == ModeXFromY ? State.XFromYInputs : State.YFromXInputs;
    for (const std::string& Line : Lines)
      for (const std::string& Token : SplitTokens(Line)) {
        Inputs.push_back(Token);
        CalculateEntry(Token);
      }
    break;
  }
  default:
    break;
  }
}

// ---------------------------------------------------------------------------
// Sheet keys

// Enter (13) moves down, Ctrl+N (14) inserts an empty cell and Ctrl+Y (25)
// deletes the current cell, in the current column only. Returns true when
// the key was consumed; other characters reach the cell.
bool SheetKeyPress(char Key)
{
  ISheet& Sheet = *Window().Sheet;
  const int Col = Sheet.CurrentCol();
  const int Row = Sheet.CurrentRow();
  switch (Key) {
  case 13:
    if (Row < Sheet.RowCount() - 1)
      Sheet.SetCurrentCell(Col, Row + 1);
    return true;
  case 14: {
    if (!OnDataCell(Sheet))
      return true;
    // The last row's text moves into a new row instead of being lost.
    if (!Sheet.Cell(Col, Sheet.RowCount() - 1).empty())
      GrowSheet(Sheet.RowCount() + 1);
    for (int R = Sheet.RowCount() - 1; R >= Row + 1; --R)
      Sheet.SetCell(Col, R, Sheet.Cell(Col, R - 1));
    Sheet.SetCell(Col, Row, "");
    return true;
  }
  case 25: {
    if (!OnDataCell(Sheet))
      return true;
    const int R = Sheet.RowCount();
    for (int Q = Row; Q <= R - 2; ++Q)
      Sheet.SetCell(Col, Q, Sheet.Cell(Col, Q + 1));
    Sheet.SetCell(Col, R - 1, "");
    return true;
  }
  default:
    return false;
  }
}

// ---------------------------------------------------------------------------
// Exit, help, About

// True when the window may close: at once with an empty sheet, otherwise
// only when the user answers Yes.
bool FormCloseQuery()
{
  if (LastUsedRow() == 0)
    return true;
  const TMessage Question{ExitQuestionText, "退出", TMessageIcon::Information, TMessageButtons::YesNo};
  return Window().Messages->Show(Question) == TMessageResult::Yes;
}

// The help page in the Help folder next to the program.
std::string HelpPagePath() { return Window().Shell->ExecutableFolder() + "Help/EIA_Readme.htm"; }

// Opens the help page with its viewer; a failure shows the help message.
void ShowHelp()
{
  if (!Window().Shell->OpenDocument(HelpPagePath()))
    ShowError(HelpFailureText);
}

// The About box's text: lines separated by single carriage returns.
std::string AboutText()
{
  return "          Titrelle\r"
         "\r"
         "            作者: The Titrelle developers\r"
         "            日期: 2006年4月\r"
         "\r"
         "            联系: 请参阅帮助文件";
}

// Mouse button down on the control panel: the About box, only with Ctrl, Alt
// and Shift all held.
void Panel1MouseDown(bool Ctrl, bool Alt, bool Shift)
{
  if (!(Ctrl && Alt && Shift))
    return;
  Window().Messages->Show({AboutText(), "About", TMessageIcon::None, TMessageButtons::Ok});
}

}  // namespace Titrelle
