#pragma once
// A page of the common frame driven by its tables: its texts, and what each button does. Pages
// with behaviour of their own derive from it and add to its start and its commands.

#include "pages/page_frame.h"

#include <span>

namespace orvo::pages {

// A button of a page: the flag of the wizard state it sets (if any), whether it deletes the
// shared brush of red warning texts, and the page result.
struct PageButton {
    int control;
    int result;
    std::atomic<int> WizardState::*flag = nullptr;
    bool deletes_warning_brush = false;
};

enum class Picture { Left, Keys };

// What the shared brush of red warning texts is to a page.
enum class BrushUse {
    None,
    Make,          // made when the page starts, left to the flow
    MakeAndDelete  // made when the page starts, deleted whenever it ends
};

struct PageSpec {
    std::span<const PageText> texts;
    std::span<const PageButton> buttons;
    Picture picture = Picture::Left;
    BrushUse brush = BrushUse::None;
};

// The page's own copy of a picture (the display context, a memory context and the bitmap),
// released with the page.
class OwnPicture {
  public:
    void Load(HINSTANCE instance, int bitmap);
    HDC Context() const { return memory_.Get(); }
    HBITMAP Bitmap() const { return bitmap_.Get(); }

  private:
    win32::OwnedBitmap bitmap_;
    win32::OwnedDC screen_;
    win32::OwnedDC memory_;
};

class FramePage {
  public:
    FramePage(HWND dialog, PageContext& context, const PageSpec& spec)
        : dialog_(dialog), context_(context), spec_(spec) {}
    virtual ~FramePage() = default;
    FramePage(const FramePage&) = delete;
    FramePage& operator=(const FramePage&) = delete;

    INT_PTR Initialise();
    INT_PTR Handle(UINT message, WPARAM wparam, LPARAM lparam);

  protected:
    // Before the page is centred: labelled and chosen texts, button states, threads.
    virtual void Start() {}
    // A command the page handles itself; true when it did.
    virtual bool Command(int /*control*/) { return false; }
    virtual void AfterPaint() {}
    // The colours of a static control; FALSE for the default ones.
    virtual INT_PTR StaticColours(HDC dc, int control);
    // Ends the page, deleting the shared brush where the page does so.
    void End(int result);
    // The labelled entry of `control`: its label, a blank and `value`.
    void SetLabelled(int control, std::wstring_view value);
    // The number entry of `control`: `number`, a blank and its catalogue text.
    void SetNumber(int control, long long number);

    HWND dialog_;
    PageContext& context_;
    const PageSpec& spec_;

  private:
    HeadingFont heading_font_;
    win32::OwnedFont bold_font_;
    OwnPicture own_picture_;
};

// A page that has no behaviour beyond its tables.
template <const PageSpec& Spec>
class TablePage : public FramePage {
  public:
    TablePage(HWND dialog, PageContext& context) : FramePage(dialog, context, Spec) {}
};

}  // namespace orvo::pages
