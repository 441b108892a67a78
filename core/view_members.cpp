// The viewer members of both hosts: the error code cleared, the value checked where the member has
// a rule, then handed to the viewer.
#include <cmath>

#include "base/error_codes.h"
#include "core/browser_addon_base.h"

namespace {

// The highest border style (single line, 3-D).
constexpr LONG kLastBorderStyle = 2;

// A write the viewer takes as it is.
template <typename Arg, typename Value>
void HandToViewer(CBrowserAddOnBase& engine, void (CImageViewer::*set)(Arg), Value value) {
    engine.SetErrorCode(0);
    (engine.Viewer().*set)(static_cast<Arg>(value));
}

// A write the viewer may refuse: -1034 then.
template <typename Arg, typename Value>
BOOL OfferToViewer(CBrowserAddOnBase& engine, BOOL (CImageViewer::*set)(Arg), Value value) {
    engine.SetErrorCode(0);
    if ((engine.Viewer().*set)(static_cast<Arg>(value))) return TRUE;
    engine.SetErrorCode(kErrInvalidValue);
    return FALSE;
}

}  // namespace

BOOL CBrowserAddOnBase::Zoom(float value) {
    SetErrorCode(0);
    if (std::isnan(value)) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    m_viewer.SetZoom(value);
    return TRUE;
}

BOOL CBrowserAddOnBase::BorderStyle(LONG style) {
    SetErrorCode(0);
    if (style < 0 || style > kLastBorderStyle) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    m_viewer.SetBorderStyle(static_cast<int>(style));
    return TRUE;
}

void CBrowserAddOnBase::FitWindowType(LONG value) { HandToViewer(*this, &CImageViewer::SetFitWindowType, value); }

void CBrowserAddOnBase::ImageMargin(LONG value) { HandToViewer(*this, &CImageViewer::SetImageMargin, value); }

void CBrowserAddOnBase::SelectionImageBorderColor(LONG value) {
    HandToViewer(*this, &CImageViewer::SetSelectionImageBorderColor, value);
}

void CBrowserAddOnBase::BackgroundColor(LONG value) { HandToViewer(*this, &CImageViewer::SetBackgroundColor, value); }

void CBrowserAddOnBase::IfFitWindow(BOOL fit) { HandToViewer(*this, &CImageViewer::SetIfFitWindow, fit); }

void CBrowserAddOnBase::MouseShape(SHORT shape) { HandToViewer(*this, &CImageViewer::SetMouseShape, shape); }

void CBrowserAddOnBase::EnableInteractiveZoom(BOOL on) {
    HandToViewer(*this, &CImageViewer::SetEnableInteractiveZoom, on);
}

void CBrowserAddOnBase::AllowMultiSelect(BOOL on) { HandToViewer(*this, &CImageViewer::SetAllowMultiSelect, on); }

BOOL CBrowserAddOnBase::VScrollBar(BOOL on) { return OfferToViewer(*this, &CImageViewer::SetVScrollBar, on); }

BOOL CBrowserAddOnBase::SelectedImagesCount(LONG count) {
    return OfferToViewer(*this, &CImageViewer::SetSelectedImagesCount, count);
}
