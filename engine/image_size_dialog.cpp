#include "engine/image_size_dialog.h"

#include <cstdio>
#include <utility>

#include "engine/ansi_strings.h"
#include "engine/image_size_values.h"
#include "resources/resource_ids.h"

namespace {

constexpr int kPixels = 0, kPercent = 1;
// The method list's entries and the CImage methods they stand for.
constexpr const char* kMethodNames[] = {"Nearest Neighbour", "Bilinear", "Bicubic"};
constexpr int kMethods[] = {kNearest, kBilinear, kCubic};
constexpr int kDefaultMethod = 2;

void FillList(HWND dialog, int id, const char* const* items, int count, int selected) {
    for (int i = 0; i < count; ++i) SendDlgItemMessageA(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(items[i]));
    SendDlgItemMessageA(dialog, id, CB_SETCURSEL, selected, 0);
}

}  // namespace

bool CImageSizeDialog::Run(HINSTANCE module, HWND owner, CImage& image) {
    if (!image.IsValid()) return false;
    CImageSizeDialog state(image);
    const INT_PTR result = DialogBoxParamA(module, MAKEINTRESOURCEA(IDD_IMAGE_SIZE), owner, DialogProc,
                                           reinterpret_cast<LPARAM>(&state));
    return result == IDOK;
}

INT_PTR CALLBACK CImageSizeDialog::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<CImageSizeDialog*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
    if (message == WM_INITDIALOG) {
        state = reinterpret_cast<CImageSizeDialog*>(lParam);
        SetWindowLongPtrA(dialog, GWLP_USERDATA, lParam);
        state->OnInitDialog(dialog);
        return TRUE;
    }
    if (!state || message != WM_COMMAND) return FALSE;
    const int id = LOWORD(wParam), code = HIWORD(wParam);
    switch (id) {
    case IDC_SIZE_WIDTH:
    case IDC_SIZE_HEIGHT:
        if (code == EN_CHANGE) state->OnSideChanged(id);
        return TRUE;
    case IDC_SIZE_WIDTH_UNIT:
    case IDC_SIZE_HEIGHT_UNIT:
        if (code == CBN_SELCHANGE) state->OnUnitChanged(id);
        return TRUE;
    case IDOK:
        if (state->OnOk()) EndDialog(dialog, IDOK);
        return TRUE;
    case IDCANCEL:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    default:
        return FALSE;
    }
}

void CImageSizeDialog::OnInitDialog(HWND dialog) {
    m_dialog = dialog;
    m_width = m_image.GetWidth();
    m_height = m_image.GetHeight();
    static const char* const kUnits[] = {"Pixels", "Percent"};
    FillList(dialog, IDC_SIZE_WIDTH_UNIT, kUnits, 2, kPixels);
    FillList(dialog, IDC_SIZE_HEIGHT_UNIT, kUnits, 2, kPixels);
    FillList(dialog, IDC_SIZE_METHOD, kMethodNames, 3, kDefaultMethod);
    CheckDlgButton(dialog, IDC_SIZE_CONSTRAIN, BST_CHECKED);
    WriteField(IDC_SIZE_WIDTH, m_width);
    WriteField(IDC_SIZE_HEIGHT, m_height);
    ShowPixelDimensions();
}

bool CImageSizeDialog::InPercent() const {
    return SendDlgItemMessageA(m_dialog, IDC_SIZE_WIDTH_UNIT, CB_GETCURSEL, 0, 0) == kPercent;
}

LONG CImageSizeDialog::ReadField(int edit) const {
    char text[32] = {};
    GetDlgItemTextA(m_dialog, edit, text, sizeof text);
    return ParseDecimal(text);
}

void CImageSizeDialog::WriteField(int edit, LONG value) {
    char text[32];
    std::snprintf(text, sizeof text, "%ld", static_cast<long>(value));
    m_writing = true;
    SetDlgItemTextA(m_dialog, edit, text);
    m_writing = false;
}

LONG CImageSizeDialog::PixelsOf(int edit) const {
    const LONG value = ReadField(edit);
    if (!InPercent()) return value;
    return PixelsOfPercent(edit == IDC_SIZE_WIDTH ? m_width : m_height, value);
}

void CImageSizeDialog::OnSideChanged(int edit) {
    if (m_writing) return;
    if (IsDlgButtonChecked(m_dialog, IDC_SIZE_CONSTRAIN) == BST_CHECKED) {
        const int other = edit == IDC_SIZE_WIDTH ? IDC_SIZE_HEIGHT : IDC_SIZE_WIDTH;
        const LONG value = ReadField(edit);
        if (InPercent()) {
            WriteField(other, value);
        } else if (value > 0) {
            const LONG side = edit == IDC_SIZE_WIDTH ? m_width : m_height;
            const LONG otherSide = edit == IDC_SIZE_WIDTH ? m_height : m_width;
            WriteField(other, ProportionalSide(value, side, otherSide));
        }
    }
    ShowPixelDimensions();
}

void CImageSizeDialog::OnUnitChanged(int combo) {
    const int unit = static_cast<int>(SendDlgItemMessageA(m_dialog, combo, CB_GETCURSEL, 0, 0));
    const int otherCombo = combo == IDC_SIZE_WIDTH_UNIT ? IDC_SIZE_HEIGHT_UNIT : IDC_SIZE_WIDTH_UNIT;
    const int previous = static_cast<int>(SendDlgItemMessageA(m_dialog, otherCombo, CB_GETCURSEL, 0, 0));
    if (unit == previous || unit < 0) return;
    SendDlgItemMessageA(m_dialog, otherCombo, CB_SETCURSEL, unit, 0);
    const LONG width = ReadField(IDC_SIZE_WIDTH), height = ReadField(IDC_SIZE_HEIGHT);
    if (unit == kPercent) {
        WriteField(IDC_SIZE_WIDTH, PercentOfSide(width, m_width));
        WriteField(IDC_SIZE_HEIGHT, PercentOfSide(height, m_height));
    } else {
        WriteField(IDC_SIZE_WIDTH, PixelsOfPercent(m_width, width));
        WriteField(IDC_SIZE_HEIGHT, PixelsOfPercent(m_height, height));
    }
    ShowPixelDimensions();
}

void CImageSizeDialog::ShowPixelDimensions() {
    char now[40], was[40], text[128];
    const LONG width = PixelsOf(IDC_SIZE_WIDTH), height = PixelsOf(IDC_SIZE_HEIGHT);
    const int64_t oldBytes = m_image.GetSizeInBytes();
    const int64_t newBytes = width > 0 && height > 0 ? m_image.GetSizeInBytes(width, height) : 0;
    FormatByteSize(static_cast<uint64_t>(newBytes > 0 ? newBytes : 0), now, sizeof now);
    if (width == m_width && height == m_height) {
        std::snprintf(text, sizeof text, "Pixel Dimensions: %s", now);
    } else {
        FormatByteSize(static_cast<uint64_t>(oldBytes > 0 ? oldBytes : 0), was, sizeof was);
        std::snprintf(text, sizeof text, "Pixel Dimensions: %s(was %s)", now, was);
    }
    SetDlgItemTextA(m_dialog, IDC_SIZE_PIXEL_DIMENSIONS, text);
}

bool CImageSizeDialog::OnOk() {
    const LONG width = PixelsOf(IDC_SIZE_WIDTH), height = PixelsOf(IDC_SIZE_HEIGHT);
    for (const auto& [edit, value] : {std::pair{IDC_SIZE_WIDTH, width}, std::pair{IDC_SIZE_HEIGHT, height}}) {
        if (value >= 1 && value <= kMaxSide) continue;
        char title[64] = {};
        GetWindowTextA(m_dialog, title, sizeof title);
        MessageBoxA(m_dialog, "Invalid value.", title, MB_OK | MB_ICONSTOP);
        SetFocus(GetDlgItem(m_dialog, edit));
        return false;
    }
    int method = static_cast<int>(SendDlgItemMessageA(m_dialog, IDC_SIZE_METHOD, CB_GETCURSEL, 0, 0));
    if (method < 0 || method > 2) method = kDefaultMethod;
    m_image.m_requestedWidth = width;
    m_image.m_requestedHeight = height;
    m_image.m_requestedMethod = kMethods[method];
    return true;
}
