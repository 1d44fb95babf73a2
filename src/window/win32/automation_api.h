#pragma once
// What UI Automation's text and value patterns are made of, as far as the
// big boxes need it: mingw-w64's headers declare the simple element and the
// API's functions (in a header C++ cannot read), but not these interfaces,
// identifiers and enums. Their
// layout is Windows' own and must not change.
#include <windows.h>

#include <ole2.h>
#include <uiautomationcore.h>

namespace drill::win32::uia {

// WM_GETOBJECT's object for UI Automation, and errors an element answers.
constexpr LONG kRootObjectId = -25;
constexpr HRESULT kElementNotAvailable = static_cast<HRESULT>(0x80040201);
constexpr HRESULT kInvalidOperation = static_cast<HRESULT>(0x80131509);

// Identifiers of patterns, properties, events and control types.
constexpr PATTERNID kValuePattern = 10002;
constexpr PATTERNID kTextPattern = 10014;
constexpr PROPERTYID kControlTypeProperty = 30003;
constexpr PROPERTYID kNameProperty = 30005;
constexpr PROPERTYID kHasKeyboardFocusProperty = 30008;
constexpr PROPERTYID kIsKeyboardFocusableProperty = 30009;
constexpr PROPERTYID kAutomationIdProperty = 30011;
constexpr PROPERTYID kHelpTextProperty = 30013;
constexpr PROPERTYID kValueValueProperty = 30045;
constexpr EVENTID kTextSelectionChangedEvent = 20014;
constexpr EVENTID kTextChangedEvent = 20015;
constexpr CONTROLTYPEID kEditControlType = 50004;

enum TextUnit { TextUnit_Character, TextUnit_Format, TextUnit_Word, TextUnit_Line, TextUnit_Paragraph,
                TextUnit_Page, TextUnit_Document };
enum TextPatternRangeEndpoint { TextPatternRangeEndpoint_Start, TextPatternRangeEndpoint_End };
enum SupportedTextSelection { SupportedTextSelection_None, SupportedTextSelection_Single,
                              SupportedTextSelection_Multiple };
enum NotificationKind { NotificationKind_ItemAdded, NotificationKind_ItemRemoved, NotificationKind_ActionCompleted,
                        NotificationKind_ActionAborted, NotificationKind_Other };
enum NotificationProcessing { NotificationProcessing_ImportantAll, NotificationProcessing_ImportantMostRecent,
                              NotificationProcessing_All, NotificationProcessing_MostRecent,
                              NotificationProcessing_CurrentThenMostRecent };
struct UiaPoint {
    double x;
    double y;
};

constexpr GUID kIidValueProvider = {0xc7935180, 0x6fb3, 0x4201, {0xb1, 0x74, 0x7d, 0xf7, 0x3a, 0xdb, 0xf6, 0x4a}};
constexpr GUID kIidTextProvider = {0x3589c92c, 0x63f3, 0x4367, {0x99, 0xbb, 0xad, 0xa6, 0x53, 0xb7, 0x7c, 0xf2}};
constexpr GUID kIidTextRangeProvider = {0x5347ad7b, 0xc355, 0x46f8, {0xaf, 0xf5, 0x90, 0x90, 0x33, 0x58, 0x2f, 0x63}};
constexpr GUID kIidRawElementProviderSimple = {0xd6dd68d1, 0x86fd, 0x4332, {0x86, 0x66, 0x9a, 0xbe, 0xde, 0xa2, 0xd2, 0x4c}};

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
struct IValueProvider : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetValue(LPCWSTR value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Value(BSTR* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsReadOnly(BOOL* readOnly) = 0;
};

struct ITextRangeProvider : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Clone(ITextRangeProvider** out) = 0;
    virtual HRESULT STDMETHODCALLTYPE Compare(ITextRangeProvider* range, BOOL* out) = 0;
    virtual HRESULT STDMETHODCALLTYPE CompareEndpoints(TextPatternRangeEndpoint endpoint, ITextRangeProvider* target,
                                                       TextPatternRangeEndpoint targetEndpoint, int* out) = 0;
    virtual HRESULT STDMETHODCALLTYPE ExpandToEnclosingUnit(TextUnit unit) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindAttribute(TEXTATTRIBUTEID id, VARIANT value, BOOL backward,
                                                    ITextRangeProvider** out) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindText(BSTR text, BOOL backward, BOOL ignoreCase, ITextRangeProvider** out) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAttributeValue(TEXTATTRIBUTEID id, VARIANT* out) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetBoundingRectangles(SAFEARRAY** out) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetEnclosingElement(IRawElementProviderSimple** out) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetText(int maxLength, BSTR* out) = 0;
    virtual HRESULT STDMETHODCALLTYPE Move(TextUnit unit, int count, int* moved) = 0;
    virtual HRESULT STDMETHODCALLTYPE MoveEndpointByUnit(TextPatternRangeEndpoint endpoint, TextUnit unit, int count,
                                                         int* moved) = 0;
    virtual HRESULT STDMETHODCALLTYPE MoveEndpointByRange(TextPatternRangeEndpoint endpoint, ITextRangeProvider* target,
                                                          TextPatternRangeEndpoint targetEndpoint) = 0;
    virtual HRESULT STDMETHODCALLTYPE Select() = 0;
    virtual HRESULT STDMETHODCALLTYPE AddToSelection() = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveFromSelection() = 0;
    virtual HRESULT STDMETHODCALLTYPE ScrollIntoView(BOOL alignToTop) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetChildren(SAFEARRAY** out) = 0;
};

struct ITextProvider : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetSelection(SAFEARRAY** out) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetVisibleRanges(SAFEARRAY** out) = 0;
    virtual HRESULT STDMETHODCALLTYPE RangeFromChild(IRawElementProviderSimple* child, ITextRangeProvider** out) = 0;
    virtual HRESULT STDMETHODCALLTYPE RangeFromPoint(UiaPoint point, ITextRangeProvider** out) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_DocumentRange(ITextRangeProvider** out) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_SupportedTextSelection(SupportedTextSelection* out) = 0;
};
#pragma GCC diagnostic pop

// The functions of uiautomationcore.dll the program loads when it needs them.
using ReturnRawElementProvider = LRESULT WINAPI(HWND hwnd, WPARAM wParam, LPARAM lParam,
                                                IRawElementProviderSimple* provider);
using HostProviderFromHwnd = HRESULT WINAPI(HWND hwnd, IRawElementProviderSimple** provider);
using RaiseAutomationEvent = HRESULT WINAPI(IRawElementProviderSimple* provider, EVENTID event);
using GetReservedNotSupportedValue = HRESULT WINAPI(IUnknown** value);
using ClientsAreListening = BOOL WINAPI();
using RaiseNotificationEvent = HRESULT WINAPI(IRawElementProviderSimple* provider, NotificationKind kind,
                                              NotificationProcessing processing, BSTR text, BSTR activity);

}  // namespace drill::win32::uia
