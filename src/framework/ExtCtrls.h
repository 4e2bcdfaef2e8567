#pragma once
#include "framework/Control.h"

namespace kelo::win {

// A text painted by its parent. With AutoSize it takes the size of its text and grows
// to the right; a transparent label shows its parent through it.
class TLabel : public TGraphicControl {
    KELO_CLASS(TLabel, TGraphicControl)
public:
    explicit TLabel(TComponent* owner);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool autoSize);
    void Paint(TCanvas& canvas) override;
    bool ReadProperty(const std::string& name, const FormValue& value) override;
    void Loaded() override;

protected:
    void CaptionChanged() override;
    void FontChanged() override;

private:
    void AdjustSize();
    bool transparent_ = false;
    bool autoSize_ = true;
};

enum class TBevelCut { bvNone, bvLowered, bvRaised };

// A container with an outer and an inner bevel and an optional centred caption.
class TPanel : public TWinControl {
    KELO_CLASS(TPanel, TWinControl)
public:
    explicit TPanel(TComponent* owner);
    TBevelCut BevelOuter() const { return bevelOuter_; }
    TBevelCut BevelInner() const { return bevelInner_; }
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelOuter(TBevelCut cut);
    void SetBevelInner(TBevelCut cut);
    void SetBevelWidth(int width);
    // Width of the bevels on each side.
    int BorderWidth() const;
    void AdjustClientRect(RECT& r) const override;
    bool ReadProperty(const std::string& name, const FormValue& value) override;

protected:
    void CreateParamsFor(CreateParams& params) override;
    void PaintWindow(HDC dc) override;

private:
    TBevelCut bevelOuter_ = TBevelCut::bvRaised;
    TBevelCut bevelInner_ = TBevelCut::bvNone;
    int bevelWidth_ = 1;
};

// A bar between two aligned controls; dragging it resizes the control before it.
class TSplitter : public TGraphicControl {
    KELO_CLASS(TSplitter, TGraphicControl)
public:
    explicit TSplitter(TComponent* owner);
    void Paint(TCanvas& canvas) override;
    void MouseDown(TMouseButton button, int x, int y) override;
    void MouseMove(int x, int y) override;
    void MouseUp(TMouseButton button, int x, int y) override;
    int MinSize() const { return minSize_; }
    // The control the splitter resizes: the one aligned on the same side just before it.
    TControl* Neighbour() const;
    bool ReadProperty(const std::string& name, const FormValue& value) override;

private:
    bool Vertical() const;
    int minSize_ = 30;
    bool dragging_ = false;
    POINT start_{};
    int startSize_ = 0;
};

TBevelCut BevelFromName(const std::string& name);

}  // namespace kelo::win
