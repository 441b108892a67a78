// The viewer members of both hosts: the error code cleared, the value checked where the member has
// a rule, then handed to the viewer.
#include <cmath>

#include "base/error_codes.h"
#include "core/browser_addon_base.h"

namespace {

// The highest border style (single line, 3-D).
constexpr LONG kLastBorderStyle = 2;

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

void CBrowserAddOnBase::IfFitWindow(BOOL fit) {
    SetErrorCode(0);
    m_viewer.SetIfFitWindow(fit);
}

void CBrowserAddOnBase::MouseShape(SHORT shape) {
    SetErrorCode(0);
    m_viewer.SetMouseShape(shape);
}

void CBrowserAddOnBase::EnableInteractiveZoom(BOOL on) {
    SetErrorCode(0);
    m_viewer.SetEnableInteractiveZoom(on);
}

BOOL CBrowserAddOnBase::VScrollBar(BOOL on) {
    SetErrorCode(0);
    if (m_viewer.SetVScrollBar(on)) return TRUE;
    SetErrorCode(kErrInvalidValue);
    return FALSE;
}

void CBrowserAddOnBase::AllowMultiSelect(BOOL on) {
    SetErrorCode(0);
    m_viewer.SetAllowMultiSelect(on);
}

BOOL CBrowserAddOnBase::SelectedImagesCount(LONG count) {
    SetErrorCode(0);
    if (m_viewer.SetSelectedImagesCount(static_cast<int>(count))) return TRUE;
    SetErrorCode(kErrInvalidValue);
    return FALSE;
}

void CBrowserAddOnBase::FitWindowType(LONG value) {
    SetErrorCode(0);
    m_viewer.SetFitWindowType(value);
}

void CBrowserAddOnBase::ImageMargin(LONG value) {
    SetErrorCode(0);
    m_viewer.SetImageMargin(value);
}

void CBrowserAddOnBase::SelectionImageBorderColor(LONG value) {
    SetErrorCode(0);
    m_viewer.SetSelectionImageBorderColor(value);
}

void CBrowserAddOnBase::BackgroundColor(LONG value) {
    SetErrorCode(0);
    m_viewer.SetBackgroundColor(value);
}
