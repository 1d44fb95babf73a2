#include "text_automation.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <tuple>
#include <utility>
#include <vector>

#include "automation_api.h"
#include "system_library.h"
#include "text.h"
#include "text_view.h"

namespace drill::win32 {

using namespace uia;

namespace {

constexpr const wchar_t* kCore = L"uiautomationcore.dll";

// A client asked a box for its element: UI Automation is loaded, and the
// boxes' events may have listeners. Set and read on the window's thread.
bool automationAsked = false;

// A range asked for this answers with itself: only the program's own ranges
// do, so that a range from elsewhere is never taken for one.
constexpr GUID kIidOwnRange = {0x6c1e5f0a, 0x3d52, 0x4b8e, {0x9a, 0x27, 0x51, 0x0f, 0xd4, 0x83, 0x6e, 0x19}};

// No exception may leave a COM method: what memory refuses is the
// client's failure, not the program's.
template <class Body>
HRESULT guarded(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

HRESULT giveString(std::wstring_view text, BSTR* out) {
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT giveString(VARIANT* out, std::wstring_view text) {
    out->vt = VT_BSTR;
    const HRESULT hr = giveString(text, &out->bstrVal);
    if (FAILED(hr)) out->vt = VT_EMPTY;
    return hr;
}

using Span = std::pair<std::size_t, std::size_t>;

// The unit of text around a position, as the core counts it. Formats and
// pages are the whole text: it has one format, and a page as the view shows
// it would change with every scroll. A line break outside every word is a
// word of its own, so that every position lies in some unit.
Span unitSpan(editing::TextEditor& editor, std::size_t at, TextUnit unit) {
    using editing::Unit;
    const std::size_t size = editor.text().size();
    if (unit == TextUnit_Format || unit == TextUnit_Page || unit >= TextUnit_Document) return {0, size};
    const Unit core = unit == TextUnit_Character ? Unit::Character
                      : unit == TextUnit_Word    ? Unit::Word
                      : unit == TextUnit_Line    ? Unit::Line
                                                 : Unit::Paragraph;
    const Span span = editor.unitAt(at, core);
    if (at < size && !(span.first <= at && at < span.second)) return {at, editor.nextChar(at)};
    return span;
}

// The next start of a unit after `at`, or the one before it; `at` itself
// where there is none.
std::size_t stepForward(editing::TextEditor& editor, std::size_t at, TextUnit unit) {
    return at < editor.text().size() ? unitSpan(editor, at, unit).second : at;
}

std::size_t stepBack(editing::TextEditor& editor, std::size_t at, TextUnit unit) {
    if (at == 0) return at;
    const std::size_t first = unitSpan(editor, at, unit).first;
    return first < at ? first : unitSpan(editor, editor.previousChar(at), unit).first;
}

// Steps `at` over up to `count` unit starts (back when negative), never
// past `last`; how many it stepped.
int stepBy(editing::TextEditor& editor, std::size_t& at, TextUnit unit, int count, std::size_t last) {
    int moved = 0;
    while (moved != count) {
        const std::size_t next = count > 0 ? stepForward(editor, at, unit) : stepBack(editor, at, unit);
        if (next == at || next > last) break;
        at = next;
        moved += count > 0 ? 1 : -1;
    }
    return moved;
}

int sign(long long v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

}  // namespace

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

// The box's element: a simple element with the value and text patterns. It
// outlives its view when a client holds it, and then answers that the
// element is gone.
class TextElement final : public IRawElementProviderSimple, public IValueProvider, public ITextProvider {
public:
    explicit TextElement(TextView& view) : view_(&view) {}
    void detach() { view_ = nullptr; }
    TextView* view() const { return view_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (out == nullptr) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, kIidRawElementProviderSimple)) {
            *out = static_cast<IRawElementProviderSimple*>(this);
        } else if (IsEqualIID(riid, kIidValueProvider)) {
            *out = static_cast<IValueProvider*>(this);
        } else if (IsEqualIID(riid, kIidTextProvider)) {
            *out = static_cast<ITextProvider*>(this);
        } else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&refs_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    // The simple element. Calls come on the window's thread, through COM.
    HRESULT STDMETHODCALLTYPE get_ProviderOptions(ProviderOptions* out) override {
        if (out == nullptr) return E_POINTER;
        *out = static_cast<ProviderOptions>(ProviderOptions_ServerSideProvider | ProviderOptions_UseComThreading);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPatternProvider(PATTERNID pattern, IUnknown** out) override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        if (view_ == nullptr) return kElementNotAvailable;
        if (pattern == kValuePattern) *out = static_cast<IValueProvider*>(this);
        if (pattern == kTextPattern) *out = static_cast<ITextProvider*>(this);
        if (*out != nullptr) AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPropertyValue(PROPERTYID property, VARIANT* out) override {
        if (out == nullptr) return E_POINTER;
        out->vt = VT_EMPTY;
        if (view_ == nullptr) return kElementNotAvailable;
        return guarded([&]() -> HRESULT {
            const AccessibleTexts& texts = view_->accessible;
            switch (property) {
            case kControlTypeProperty:
                out->vt = VT_I4;
                out->lVal = kEditControlType;
                return S_OK;
            case kNameProperty: return texts.name ? giveString(out, texts.name()) : S_OK;
            case kHelpTextProperty: return texts.description ? giveString(out, texts.description()) : S_OK;
            case kAutomationIdProperty: return giveString(out, wide(view_->control().name));
            case kValueValueProperty: return giveString(out, wide(view_->text()));
            case kIsKeyboardFocusableProperty:
            case kHasKeyboardFocusProperty:
                out->vt = VT_BOOL;
                out->boolVal = property == kIsKeyboardFocusableProperty || GetFocus() == view_->hwnd() ? VARIANT_TRUE
                                                                                                     : VARIANT_FALSE;
                return S_OK;
            default: return S_OK;  // the window's own provider answers the rest
            }
        });
    }
    HRESULT STDMETHODCALLTYPE get_HostRawElementProvider(IRawElementProviderSimple** out) override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        if (view_ == nullptr) return S_OK;
        const auto hostOf = systemProcedure<HostProviderFromHwnd>(kCore, "UiaHostProviderFromHwnd");
        return hostOf != nullptr ? hostOf(view_->hwnd(), out) : S_OK;
    }

    // The value: the whole text. A client's new value is an edit of the
    // student's, one step of the history that Ctrl+Z takes back.
    HRESULT STDMETHODCALLTYPE SetValue(LPCWSTR value) override {
        if (view_ == nullptr) return kElementNotAvailable;
        return guarded([&] {
            editing::TextEditor& editor = view_->editor();
            editor.select(0, editor.text().size(), false);
            editor.insert(withCrLf(narrow(value != nullptr ? value : L"")));
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE get_Value(BSTR* out) override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        if (view_ == nullptr) return kElementNotAvailable;
        return guarded([&] { return giveString(wide(view_->text()), out); });
    }
    HRESULT STDMETHODCALLTYPE get_IsReadOnly(BOOL* out) override {
        if (out == nullptr) return E_POINTER;
        *out = FALSE;
        return S_OK;
    }

    // The text.
    HRESULT STDMETHODCALLTYPE GetSelection(SAFEARRAY** out) override;
    HRESULT STDMETHODCALLTYPE GetVisibleRanges(SAFEARRAY** out) override;
    HRESULT STDMETHODCALLTYPE RangeFromChild(IRawElementProviderSimple*, ITextRangeProvider** out) override {
        if (out != nullptr) *out = nullptr;
        return E_INVALIDARG;  // the box has no children
    }
    HRESULT STDMETHODCALLTYPE RangeFromPoint(UiaPoint point, ITextRangeProvider** out) override;
    HRESULT STDMETHODCALLTYPE get_DocumentRange(ITextRangeProvider** out) override;
    HRESULT STDMETHODCALLTYPE get_SupportedTextSelection(SupportedTextSelection* out) override {
        if (out == nullptr) return E_POINTER;
        *out = SupportedTextSelection_Single;
        return S_OK;
    }

private:
    ~TextElement() = default;

    TextView* view_;
    LONG refs_ = 1;
};

// A range of a box's text, in bytes of the code page.
class TextRange final : public ITextRangeProvider {
public:
    TextRange(TextElement* element, std::size_t start, std::size_t end) : element_(element), start_(start), end_(end) {
        element_->AddRef();
    }

    // A new range, or null when memory runs out.
    static ITextRangeProvider* make(TextElement* element, std::size_t start, std::size_t end) {
        return new (std::nothrow) TextRange(element, start, end);
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (out == nullptr) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, kIidTextRangeProvider) || IsEqualIID(riid, kIidOwnRange)) {
            *out = static_cast<ITextRangeProvider*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&refs_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE Clone(ITextRangeProvider** out) override {
        if (out == nullptr) return E_POINTER;
        *out = make(element_, start_, end_);
        return *out != nullptr ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE Compare(ITextRangeProvider* range, BOOL* out) override {
        if (out == nullptr) return E_POINTER;
        const Held other = own(range);
        if (!other) return E_INVALIDARG;
        return withView([&](editing::TextEditor&) {
            other->clamp();
            *out = other->element_ == element_ && other->start_ == start_ && other->end_ == end_;
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE CompareEndpoints(TextPatternRangeEndpoint endpoint, ITextRangeProvider* target,
                                               TextPatternRangeEndpoint targetEndpoint, int* out) override {
        if (out == nullptr) return E_POINTER;
        const Held other = own(target);
        if (!other) return E_INVALIDARG;
        return withView([&](editing::TextEditor&) {
            other->clamp();
            *out = sign(static_cast<long long>(point(endpoint)) - static_cast<long long>(other->point(targetEndpoint)));
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE ExpandToEnclosingUnit(TextUnit unit) override {
        return withView([&](editing::TextEditor& editor) {
            std::tie(start_, end_) = unitSpan(editor, start_, unit);
            return S_OK;
        });
    }
    // The text has one format and no attributes of its own: nothing found.
    HRESULT STDMETHODCALLTYPE FindAttribute(TEXTATTRIBUTEID, VARIANT, BOOL, ITextRangeProvider** out) override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE FindText(BSTR text, BOOL backward, BOOL ignoreCase, ITextRangeProvider** out) override;
    HRESULT STDMETHODCALLTYPE GetAttributeValue(TEXTATTRIBUTEID, VARIANT* out) override {
        if (out == nullptr) return E_POINTER;
        out->vt = VT_EMPTY;
        const auto notSupported =
            systemProcedure<GetReservedNotSupportedValue>(kCore, "UiaGetReservedNotSupportedValue");
        if (notSupported == nullptr || FAILED(notSupported(&out->punkVal))) return S_OK;
        out->vt = VT_UNKNOWN;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetBoundingRectangles(SAFEARRAY** out) override;
    HRESULT STDMETHODCALLTYPE GetEnclosingElement(IRawElementProviderSimple** out) override {
        if (out == nullptr) return E_POINTER;
        *out = element_;
        element_->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetText(int maxLength, BSTR* out) override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        return withView([&](editing::TextEditor& editor) {
            std::size_t length = end_ - start_;
            if (maxLength >= 0) length = std::min<std::size_t>(length, static_cast<std::size_t>(maxLength));
            return giveString(wide(std::string_view(editor.text()).substr(start_, length)), out);
        });
    }
    HRESULT STDMETHODCALLTYPE Move(TextUnit unit, int count, int* moved) override {
        if (moved == nullptr) return E_POINTER;
        *moved = 0;
        return withView([&](editing::TextEditor& editor) {
            const bool degenerate = start_ == end_;
            std::size_t at = degenerate ? start_ : unitSpan(editor, start_, unit).first;
            // A range of a whole unit moves to whole units; the end of the
            // text starts none.
            const std::size_t last = degenerate ? editor.text().size() : editor.text().size() - 1;
            *moved = stepBy(editor, at, unit, count, last);
            start_ = end_ = at;
            if (!degenerate) end_ = std::max(at, unitSpan(editor, at, unit).second);
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE MoveEndpointByUnit(TextPatternRangeEndpoint endpoint, TextUnit unit, int count,
                                                 int* moved) override {
        if (moved == nullptr) return E_POINTER;
        *moved = 0;
        return withView([&](editing::TextEditor& editor) {
            std::size_t& at = endpoint == TextPatternRangeEndpoint_Start ? start_ : end_;
            *moved = stepBy(editor, at, unit, count, editor.text().size());
            collapseAfterMoving(endpoint);
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE MoveEndpointByRange(TextPatternRangeEndpoint endpoint, ITextRangeProvider* target,
                                                  TextPatternRangeEndpoint targetEndpoint) override {
        const Held other = own(target);
        if (!other) return E_INVALIDARG;
        return withView([&](editing::TextEditor&) {
            other->clamp();
            (endpoint == TextPatternRangeEndpoint_Start ? start_ : end_) = other->point(targetEndpoint);
            collapseAfterMoving(endpoint);
            return S_OK;
        });
    }
    // As EM_SETSEL selects: the view does not scroll (ScrollIntoView does).
    HRESULT STDMETHODCALLTYPE Select() override {
        return withView([&](editing::TextEditor& editor) {
            editor.select(start_, end_, false);
            return S_OK;
        });
    }
    // One selection only.
    HRESULT STDMETHODCALLTYPE AddToSelection() override { return kInvalidOperation; }
    HRESULT STDMETHODCALLTYPE RemoveFromSelection() override { return kInvalidOperation; }
    HRESULT STDMETHODCALLTYPE ScrollIntoView(BOOL alignToTop) override {
        return withView([&](editing::TextEditor& editor) {
            if (alignToTop) {
                editor.scrollTo(editor.lineOf(start_));
            } else {
                const std::size_t line = editor.lineOf(end_ > start_ ? editor.previousChar(end_) : end_);
                const std::size_t page = editor.pageLines();
                editor.scrollTo(line + 1 > page ? line + 1 - page : 0);
            }
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE GetChildren(SAFEARRAY** out) override {
        if (out == nullptr) return E_POINTER;
        *out = SafeArrayCreateVector(VT_UNKNOWN, 0, 0);
        return *out != nullptr ? S_OK : E_OUTOFMEMORY;
    }

private:
    ~TextRange() { element_->Release(); }

    // The program's own range behind an interface, held while in use; null
    // for any other.
    struct Held {
        TextRange* range = nullptr;
        ~Held() {
            if (range != nullptr) range->Release();
        }
        TextRange* operator->() const { return range; }
        explicit operator bool() const { return range != nullptr; }
    };
    static Held own(ITextRangeProvider* range) {
        void* self = nullptr;
        if (range == nullptr || FAILED(range->QueryInterface(kIidOwnRange, &self))) return {};
        return {static_cast<TextRange*>(static_cast<ITextRangeProvider*>(self))};
    }

    // The body on the view's core, with the range made valid for its text
    // first; a range of a box that is gone answers that the element is.
    template <class Body>
    HRESULT withView(Body&& body) {
        TextView* view = element_->view();
        if (view == nullptr) return kElementNotAvailable;
        return guarded([&] {
            clamp();
            return body(view->editor());
        });
    }
    void clamp() {
        if (TextView* view = element_->view()) {
            start_ = view->editor().validPosition(start_);
            end_ = std::max(start_, view->editor().validPosition(end_));
        }
    }
    std::size_t point(TextPatternRangeEndpoint endpoint) const {
        return endpoint == TextPatternRangeEndpoint_Start ? start_ : end_;
    }
    // An endpoint moved past the other takes the other along.
    void collapseAfterMoving(TextPatternRangeEndpoint endpoint) {
        if (start_ <= end_) return;
        if (endpoint == TextPatternRangeEndpoint_Start)
            end_ = start_;
        else
            start_ = end_;
    }

    TextElement* element_;
    std::size_t start_;
    std::size_t end_;
    LONG refs_ = 1;
};

#pragma GCC diagnostic pop

namespace {

// An array of ranges for a client; null when memory runs out.
SAFEARRAY* rangeArray(TextElement* element, std::initializer_list<Span> spans) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_UNKNOWN, 0, static_cast<ULONG>(spans.size()));
    if (array == nullptr) return nullptr;
    LONG i = 0;
    for (const Span& span : spans) {
        ITextRangeProvider* range = TextRange::make(element, span.first, span.second);
        const HRESULT hr = range != nullptr ? SafeArrayPutElement(array, &i, range) : E_OUTOFMEMORY;
        if (range != nullptr) range->Release();  // the array holds its own reference
        if (FAILED(hr)) {
            SafeArrayDestroy(array);
            return nullptr;
        }
        ++i;
    }
    return array;
}

HRESULT giveRange(TextElement* element, std::size_t start, std::size_t end, ITextRangeProvider** out) {
    *out = TextRange::make(element, start, end);
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

HRESULT TextElement::GetSelection(SAFEARRAY** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (view_ == nullptr) return kElementNotAvailable;
    // Without a selection, the caret's place.
    const editing::TextEditor& editor = view_->editor();
    *out = rangeArray(this, {{editor.selectionStart(), editor.selectionEnd()}});
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT TextElement::GetVisibleRanges(SAFEARRAY** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (view_ == nullptr) return kElementNotAvailable;
    return guarded([&] {
        editing::TextEditor& editor = view_->editor();
        RECT client{};
        GetClientRect(view_->hwnd(), &client);
        const std::size_t lines = editor.lineCount(), top = editor.top();
        std::size_t after = top;  // a line shown in part counts
        while (after < lines && editor.lineY(after) < client.bottom) ++after;
        *out = rangeArray(this, {{editor.lineStart(top), after < lines ? editor.lineStart(after) : editor.text().size()}});
        return *out != nullptr ? S_OK : E_OUTOFMEMORY;
    });
}

HRESULT TextElement::RangeFromPoint(UiaPoint point, ITextRangeProvider** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (view_ == nullptr) return kElementNotAvailable;
    if (!(std::abs(point.x) < 1e9 && std::abs(point.y) < 1e9)) return E_INVALIDARG;  // no place on a screen, or NaN
    return guarded([&] {
        POINT at{static_cast<LONG>(point.x), static_cast<LONG>(point.y)};
        ScreenToClient(view_->hwnd(), &at);
        const std::size_t position = view_->positionAt(at);
        return giveRange(this, position, position, out);
    });
}

HRESULT TextElement::get_DocumentRange(ITextRangeProvider** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (view_ == nullptr) return kElementNotAvailable;
    return giveRange(this, 0, view_->text().size(), out);
}

HRESULT TextRange::FindText(BSTR text, BOOL backward, BOOL ignoreCase, ITextRangeProvider** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    return withView([&](editing::TextEditor& editor) -> HRESULT {
        // One UTF-16 unit per character of the code page: offsets agree.
        std::wstring within = wide(std::string_view(editor.text()).substr(start_, end_ - start_));
        std::wstring sought(text != nullptr ? text : L"", text != nullptr ? SysStringLen(text) : 0);
        if (sought.empty()) return S_OK;
        if (ignoreCase) {
            CharLowerBuffW(within.data(), static_cast<DWORD>(within.size()));
            CharLowerBuffW(sought.data(), static_cast<DWORD>(sought.size()));
        }
        const std::size_t found = backward ? within.rfind(sought) : within.find(sought);
        if (found == std::wstring::npos) return S_OK;
        return giveRange(element_, start_ + found, start_ + found + sought.size(), out);
    });
}

// One rectangle on the screen for each line of the range in view, within
// the box's client area.
HRESULT TextRange::GetBoundingRectangles(SAFEARRAY** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    TextView* view = element_->view();
    return withView([&](editing::TextEditor& editor) {
        RECT client{};
        GetClientRect(view->hwnd(), &client);
        const std::size_t first = editor.lineOf(start_);
        std::size_t last = editor.lineOf(end_);
        // A range that ends where a line starts takes nothing of that line.
        if (end_ > start_ && last > first && editor.lineStart(last) == end_) --last;
        std::vector<double> sides;
        for (std::size_t line = std::max(first, editor.top()); line <= last; ++line) {
            const long long y = editor.lineY(line);
            if (y >= client.bottom) break;
            const std::size_t from = std::max(start_, editor.lineStart(line));
            const std::size_t to = std::max(from, std::min(end_, editor.lineContentEnd(line)));
            RECT r = view->spanRect(line, from, to);
            r.left = std::clamp(r.left, client.left, client.right);
            r.right = std::clamp(r.right, r.left, client.right);
            r.top = std::max(r.top, client.top);
            r.bottom = std::min(r.bottom, client.bottom);
            if (r.bottom <= r.top) continue;
            MapWindowPoints(view->hwnd(), HWND_DESKTOP, reinterpret_cast<POINT*>(&r), 2);
            sides.insert(sides.end(), {double(r.left), double(r.top), double(r.right - r.left), double(r.bottom - r.top)});
        }
        SAFEARRAY* array = SafeArrayCreateVector(VT_R8, 0, static_cast<ULONG>(sides.size()));
        if (array == nullptr) return E_OUTOFMEMORY;
        for (LONG i = 0; i < static_cast<LONG>(sides.size()); ++i) SafeArrayPutElement(array, &i, &sides[static_cast<std::size_t>(i)]);
        *out = array;
        return S_OK;
    });
}

// ---- The view's side --------------------------------------------------------

TextAutomation::~TextAutomation() {
    if (element_ == nullptr) return;
    element_->detach();
    element_->Release();
    // Clients let go of what the window gave them.
    if (const auto give = systemProcedure<ReturnRawElementProvider>(kCore, "UiaReturnRawElementProvider"))
        give(view_.hwnd(), 0, 0, nullptr);
}

IRawElementProviderSimple* TextAutomation::element() {
    if (element_ == nullptr) element_ = new (std::nothrow) TextElement(view_);
    if (element_ != nullptr) element_->AddRef();
    return element_;
}

LRESULT TextAutomation::answer(WPARAM wParam, LPARAM lParam) {
    if (static_cast<LONG>(lParam) != kRootObjectId) return 0;
    const auto give = systemProcedure<ReturnRawElementProvider>(kCore, "UiaReturnRawElementProvider");
    if (give == nullptr) return 0;
    // Calls of clients come to this thread through COM, one at a time, as
    // the element's options ask: the window's thread is an apartment of
    // its own from the first request on.
    static const bool apartment = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    (void)apartment;
    IRawElementProviderSimple* provider = element();
    if (provider == nullptr) return 0;
    automationAsked = true;
    const LRESULT result = give(view_.hwnd(), wParam, lParam, provider);
    provider->Release();
    return result;
}

bool TextAutomation::listening() {
    if (!automationAsked) return false;
    const auto listening = systemProcedure<ClientsAreListening>(kCore, "UiaClientsAreListening");
    return listening != nullptr && listening() != FALSE;
}

void TextAutomation::raise(EVENTID event) {
    if (!listening()) return;
    const auto raise = systemProcedure<RaiseAutomationEvent>(kCore, "UiaRaiseAutomationEvent");
    IRawElementProviderSimple* provider = element();
    if (raise != nullptr && provider != nullptr) raise(provider, event);
    if (provider != nullptr) provider->Release();
}

void TextAutomation::textChanged() { raise(kTextChangedEvent); }

void TextAutomation::selectionChanged() { raise(kTextSelectionChangedEvent); }

void TextAutomation::announce(std::string_view codePageText) {
    if (!listening()) return;
    // Windows 10 1709 and later; older ones read the live region alone.
    const auto notify = systemProcedure<RaiseNotificationEvent>(kCore, "UiaRaiseNotificationEvent");
    if (notify == nullptr) return;
    const std::size_t first = codePageText.find_first_not_of("\r\n");
    if (first == std::string_view::npos) return;
    const std::string_view said = codePageText.substr(first, codePageText.find_last_not_of("\r\n") + 1 - first);
    const std::wstring text = wide(said);
    BSTR display = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    BSTR activity = SysAllocString(L"AssignmentDrill.NewQuestion");
    IRawElementProviderSimple* provider = element();
    if (display != nullptr && activity != nullptr && provider != nullptr)
        notify(provider, NotificationKind_ItemAdded, NotificationProcessing_ImportantAll, display, activity);
    if (provider != nullptr) provider->Release();
    SysFreeString(display);
    SysFreeString(activity);
}

}  // namespace drill::win32
