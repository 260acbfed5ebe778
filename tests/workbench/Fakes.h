// In-memory stand-ins for the window, recording what the logic does to it.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "workbench/MainUnit.h"

namespace Titrelle::Testing {

class FakeSheet : public ISheet {
public:
  explicit FakeSheet(int Rows = InitialRowCount) : Cells(Rows, std::vector<std::string>(3)) {}
  int RowCount() const override { return static_cast<int>(Cells.size()); }
  void SetRowCount(int Rows) override { Cells.resize(Rows, std::vector<std::string>(3)); }
  std::string Cell(int Col, int Row) const override { return Cells.at(Row).at(Col); }
  void SetCell(int Col, int Row, const std::string& Text) override { Cells.at(Row).at(Col) = Text; }
  int CurrentCol() const override { return Col; }
  int CurrentRow() const override { return Row; }
  void SetCurrentCell(int NewCol, int NewRow) override
  {
    Col = NewCol;
    Row = NewRow;
  }
  void Focus() override { ++FocusCount; }

  // Fills rows 1.. with X/Y texts and gives every row its plain label.
  void Fill(const std::vector<std::pair<std::string, std::string>>& Rows)
  {
    for (int R = 1; R < RowCount(); ++R)
      Cells[R][0] = std::to_string(R);
    for (std::size_t I = 0; I < Rows.size(); ++I) {
      Cells[I + 1][1] = Rows[I].first;
      Cells[I + 1][2] = Rows[I].second;
    }
  }

  std::vector<std::vector<std::string>> Cells;
  int Col = 1, Row = 1;
  int FocusCount = 0;
};

class FakeMessages : public IMessages {
public:
  TMessageResult Show(const TMessage& Message) override
  {
    Shown.push_back(Message);
    return Answer;
  }
  std::vector<TMessage> Shown;
  TMessageResult Answer = TMessageResult::Ok;
};

class FakeControls : public IControls {
public:
  int ModelIndex() const override { return Model; }
  bool GeneralForm() const override { return General; }
  bool ConstantTerm() const override { return Constant; }
  void SetOptionBoxesVisible(bool G, bool C) override
  {
    GeneralVisible = G;
    ConstantVisible = C;
  }
  bool SubtractBackground() const override { return Subtract; }
  std::string BackgroundText() const override { return Background; }
  int XTransform() const override { return XIndex; }
  int YTransform() const override { return YIndex; }
  std::string XTitle() const override { return XTitleText; }
  std::string YTitle() const override { return YTitleText; }
  std::string InputText() const override { return Input; }
  void SetInputText(const std::string& Text) override { Input = Text; }
  void FocusInput() override { ++InputFocusCount; }
  void SetInputLabel(const std::string& Caption) override { InputLabel = Caption; }
  std::string ReportText() const override { return Report; }
  void SetReportText(const std::string& Text) override { Report = Text; }
  void ApplyViewState(const TViewState& NewState) override
  {
    View = NewState;
    ++ViewUpdates;
  }

  int Model = 0;
  bool General = false, Constant = true, GeneralVisible = false, ConstantVisible = false;
  bool Subtract = false;
  std::string Background = "Please enter the background value";
  int XIndex = 0, YIndex = 0;
  std::string XTitleText = "X Value", YTitleText = "Y Value";
  std::string Input = "Edit1", InputLabel = "X Value:  ", Report = "Memo1";
  int InputFocusCount = 0, ViewUpdates = 0;
  TViewState View;
};

class FakeList : public ICalculationList {
public:
  void SetColumnCaptions(const std::string& Input, const std::string& Result) override { Captions = {Input, Result}; }
  std::string ColumnCaption(int Col) const override { return Col == 0 ? Captions.first : Captions.second; }
  void Clear() override { Items.clear(); }
  void AddItem(const std::string& Input, const std::string& Result) override { Items.emplace_back(Input, Result); }
  int ItemCount() const override { return static_cast<int>(Items.size()); }
  std::string ItemText(int Item, int Col) const override
  {
    return Col == 0 ? Items.at(Item).first : Items.at(Item).second;
  }
  void ScrollDown(int Pixels) override { Scrolled += Pixels; }

  std::pair<std::string, std::string> Captions{"X Value", "Y Value"};
  std::vector<std::pair<std::string, std::string>> Items;
  int Scrolled = 0;
};

// A surface of W x H pixels that records every operation as a line of text
// and keeps the pixels of rectangles and texts, so the plot is exact. A text
// is 6 pixels per display column (a Chinese character takes two) and paints
// one black pixel at the top left of each column it covers.
class FakeSurface : public ISurface {
public:
  FakeSurface(int W, int H) : W(W), H(H), Pixels(W * H, White) {}
  int Width() const override { return W; }
  int Height() const override { return H; }
  void SetPen(TPenStyle Style, TColour Colour, int PenWidth) override
  {
    PenStyle = Style;
    PenColour = Colour;
    Log.push_back("pen " + Name(Style) + " " + Name(Colour) + " " + std::to_string(PenWidth));
  }
  void SetPenStyle(TPenStyle Style) override
  {
    if (Style != PenStyle)
      Log.push_back("penstyle " + Name(Style));
    PenStyle = Style;
  }
  void SetBrush(TColour Colour) override
  {
    Brush = Colour;
    Log.push_back("brush " + Name(Colour));
  }
  void SetBold(bool Bold) override { Log.push_back(Bold ? "bold" : "normal"); }
  void Rectangle(int L, int T, int R, int B) override
  {
    Log.push_back("rect " + Coords({L, T, R, B}));
    for (int Y = T; Y < B; ++Y)
      for (int X = L; X < R; ++X)
        Put(X, Y, (X == L || X == R - 1 || Y == T || Y == B - 1) ? PenColour : Brush);
  }
  void Ellipse(int L, int T, int R, int B) override { Log.push_back("ellipse " + Coords({L, T, R, B})); }
  void MoveTo(int X, int Y) override { Log.push_back("move " + Coords({X, Y})); }
  void LineTo(int X, int Y) override
  {
    Log.push_back("line " + Coords({X, Y}) + (PenStyle == TPenStyle::Clear ? " clear" : ""));
  }
  void TextOut(int X, int Y, const std::string& Text) override
  {
    Log.push_back("text " + Coords({X, Y}) + " " + Text);
    for (int C = 0; C < Columns(Text); ++C)
      Put(X + 6 * C, Y, Black);
  }
  int TextWidth(const std::string& Text) const override { return 6 * Columns(Text); }
  TColour Pixel(int X, int Y) const override { return Inside(X, Y) ? Pixels[Y * W + X] : White; }
  void SetPixel(int X, int Y, TColour Colour) override { Put(X, Y, Colour); }

  // Display columns of UTF-8 text: one per ASCII byte, two per other character.
  static int Columns(const std::string& Text)
  {
    int N = 0;
    for (unsigned char C : Text)
      if (C < 0x80)
        N += 1;
      else if ((C & 0xC0) != 0x80)
        N += 2;
    return N;
  }

  int W, H;
  std::vector<TColour> Pixels;
  std::vector<std::string> Log;
  TPenStyle PenStyle = TPenStyle::Solid;
  TColour PenColour = Black, Brush = White;

private:
  bool Inside(int X, int Y) const { return X >= 0 && Y >= 0 && X < W && Y < H; }
  void Put(int X, int Y, TColour C)
  {
    if (Inside(X, Y))
      Pixels[Y * W + X] = C;
  }
  static std::string Coords(std::initializer_list<int> Values)
  {
    std::string S;
    for (int V : Values)
      S += (S.empty() ? "" : ",") + std::to_string(V);
    return S;
  }
  static std::string Name(TPenStyle S)
  {
    return S == TPenStyle::Solid ? "solid" : S == TPenStyle::Dotted ? "dotted" : "clear";
  }
  static std::string Name(TColour C)
  {
    return C == White ? "white" : C == Black ? "black" : C == Red ? "red" : "other";
  }
};

class FakeClipboard : public IClipboard {
public:
  bool HasText() const override { return HoldsText; }
  std::string Text() const override { return Content; }
  void SetText(const std::string& Text) override
  {
    Content = Text;
    HoldsText = true;
    HoldsPicture = false;
  }
  void SetPicture() override
  {
    HoldsPicture = true;
    HoldsText = false;
  }
  std::string Content;
  bool HoldsText = false, HoldsPicture = false;
};

class FakeShell : public IShell {
public:
  std::string ExecutableFolder() const override { return Folder; }
  bool OpenDocument(const std::string& Path) override
  {
    Opened.push_back(Path);
    return Succeeds;
  }
  std::string Folder = "/opt/titrelle/";
  bool Succeeds = true;
  std::vector<std::string> Opened;
};

// A complete fake window, connected on construction and reset with the
// workbench and the model registry.
struct FakeWindow {
  FakeSheet Sheet;
  FakeControls Controls;
  FakeMessages Messages;
  FakeList List;
  FakeSurface Surface{429, 405};
  FakeClipboard Clipboard;
  FakeShell Shell;

  FakeWindow() { ConnectWindow({&Sheet, &Controls, &Messages, &List, &Surface, &Clipboard, &Shell}); }
  ~FakeWindow() { ConnectWindow(TWindowPorts()); }
};

}  // namespace Titrelle::Testing
