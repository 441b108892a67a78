// Script members of the plug-in: the viewer, files and image data, PDF settings, text, the editor and printing.
// Each behaves as the control's member of the same name; the shared families come from the tables
// in core/script_member_tables.h.
#include <cmath>
#include <memory>
#include <new>

#include "base/error_codes.h"
#include "core/operation_name_table.h"
#include "core/script_member_tables.h"
#include "core/text_fit.h"
#include "engine/print_job.h"
#include "plugin/plugin_instance.h"
#include "plugin/script_member_cases.h"
#include "plugin/script_out_value.h"

namespace {

// The plug-in's own positive codes of a failed member and of missing memory.
constexpr LONG kMemberFailed = 1;
constexpr LONG kMemberNoMemory = 2;
// The highest border style (single line, 3-D).
constexpr LONG kLastBorderStyle = 2;

// Fits a script text into a buffer; a refused text stores -1034.
template <size_t N>
bool FitArgument(PluginInstance& engine, const std::string& text, char (&buffer)[N], TextFit fit) {
    if (FitText(text.data(), text.size(), buffer, N, fit)) return true;
    engine.SetErrorCode(kErrInvalidValue);
    return false;
}

}  // namespace

bool PluginInstance::RunViewMember(MemberAccess access, int op, const std::vector<ScriptValue>& args, ScriptValue& out,
                                   NPVariant* result) {
    if (access != MemberAccess::Method) return RunViewProperty(access == MemberAccess::Get, op, args, out, result);
    return RunViewMethod(op, args, out);
}

// The viewer's and the document's properties; get: read, else the put of args[0].
bool PluginInstance::RunViewProperty(bool get, int op, const std::vector<ScriptValue>& args, ScriptValue& out,
                                     NPVariant* result) {
    switch (op) {
        LUMETTA_DOCUMENT_FLAGS(PLUGIN_FLAG_CASE)
#define VIEW_TEXT_CASE(name, read, write, size, fit)                         \
    case kOp##name:                                                          \
        if (get) {                                                           \
            SetScriptString(result, read, TRUE);                             \
        } else {                                                             \
            char text[size];                                                 \
            SetErrorCode(0);                                                 \
            if (FitArgument(*this, args[0].text, text, TextFit::fit)) write;    \
        }                                                                    \
        return true;
        LUMETTA_DOCUMENT_TEXTS(VIEW_TEXT_CASE)
#undef VIEW_TEXT_CASE
#define VIEW_FIELD_CASE(name, type, read, write)                             \
    case kOp##name:                                                          \
        if (get) out.i = static_cast<int32_t>(m_viewer.read());              \
        else m_viewer.write(static_cast<type>(sizeof(type) == 2 ? args[0].h : args[0].i)); \
        SetErrorCode(0);                                                     \
        return true;
        LUMETTA_VIEWER_FIELDS(VIEW_FIELD_CASE)
#undef VIEW_FIELD_CASE
        case kOpBorderStyle:
            SetErrorCode(0);
            if (get) out.i = m_viewer.GetBorderStyle();
            else if (args[0].i < 0 || args[0].i > kLastBorderStyle) SetErrorCode(kErrInvalidValue);
            else m_viewer.SetBorderStyle(args[0].i);
            return true;
        case kOpIfFitWindow:
            SetErrorCode(0);
            if (get) out.b = m_viewer.GetIfFitWindow() != 0;
            else m_viewer.SetIfFitWindow(args[0].b);
            return true;
        case kOpZoom:
            SetErrorCode(0);
            if (get) out.f = m_viewer.GetZoom();
            else if (std::isnan(args[0].f)) SetErrorCode(kErrInvalidValue);
            else m_viewer.SetZoom(args[0].f);
            return true;
        case kOpEnableInteractiveZoom:
            SetErrorCode(0);
            if (get) out.b = m_viewer.GetEnableInteractiveZoom() != 0;
            else m_viewer.SetEnableInteractiveZoom(args[0].b);
            return true;
        case kOpVScrollBar:
            SetErrorCode(0);
            if (get) out.b = m_viewer.GetVScrollBar() != 0;
            else if (!m_viewer.SetVScrollBar(args[0].b)) SetErrorCode(kErrInvalidValue);
            return true;
        case kOpAllowMultiSelect:
            SetErrorCode(0);
            if (get) out.b = m_viewer.GetAllowMultiSelect() != 0;
            else m_viewer.SetAllowMultiSelect(args[0].b);
            return true;
        case kOpMouseShape:
            SetErrorCode(0);
            if (get) out.b = m_viewer.GetMouseShape() != 0;
            else m_viewer.SetMouseShape(args[0].b ? 1 : 0);
            return true;
        case kOpSelectedImagesCount:
            SetErrorCode(0);
            if (get) out.i = m_viewer.GetSelectedImagesCount();
            else if (!m_viewer.SetSelectedImagesCount(args[0].h)) SetErrorCode(kErrInvalidValue);
            return true;
        case kOpMouseX:
            SetErrorCode(0);
            out.i = m_viewer.GetMouseX();
            return true;
        case kOpMouseY:
            SetErrorCode(0);
            out.i = m_viewer.GetMouseY();
            return true;
        case kOpLogLevel:
            // A refused level keeps its -1034.
            SetErrorCode(0);
            if (get) out.i = GetLogLevel();
            else SetLogLevel(args[0].h, true);
            return true;
        default: return false;
    }
}

// The viewer's methods and the saves and dialog of the view's files.
bool PluginInstance::RunViewMethod(int op, const std::vector<ScriptValue>& args, ScriptValue& out) {
    char path[512];
    switch (op) {
        // The viewer.
        case kOpSetViewMode:
            m_viewer.SetViewMode(args[0].h, args[1].h);
            SetErrorCode(0);
            out.b = true;
            return true;
        case kOpGetViewMode: {
            int columns = 0, rows = 0;
            m_viewer.GetViewMode(&columns, &rows);
            SetErrorCode(0);
            SetOutValue(Record(), args[0].object, columns);
            SetOutValue(Record(), args[1].object, rows);
            out.b = true;
            return true;
        }
        case kOpGetSelectedImageIndex:
            out.h = static_cast<int16_t>(m_viewer.GetSelectedImageIndex(args[0].h));
            return true;
        case kOpSetSelectedImageIndex:
            SetErrorCode(0);
            out.b = m_viewer.SetSelectedImageIndex(args[0].h, args[1].h) != 0;
            if (!out.b) SetErrorCode(kErrInvalidIndex);
            return true;
        case kOpSetSelectedImageArea:
            SetErrorCode(0);
            out.b = m_viewer.SetSelectedImageArea(args[0].h, args[1].i, args[2].i, args[3].i, args[4].i) != 0;
            if (!out.b) SetErrorCode(kMemberFailed);
            return true;
        // Files.
        case kOpSaveAllAsPDF:
            SetErrorCode(0);
            out.b = FitArgument(*this, args[0].text, path, TextFit::Refuse) &&
                    SaveAsPDF(path, -1, &m_pdfSettings, m_pdfCompressionType, m_jpegQuality);
            return true;
        case kOpSaveSelectedImagesAsMultiPageTIFF:
        case kOpSaveSelectedImagesAsMultiPagePDF: {
            SetErrorCode(0);
            if (!FitArgument(*this, args[0].text, path, TextFit::Refuse)) return true;
            const std::vector<SHORT> list = SelectedIndexList();
            const LONG count = static_cast<LONG>(list.size());
            out.b = op == kOpSaveSelectedImagesAsMultiPageTIFF
                        ? SaveSelectedImagesAsMultiPageTIFF(path, list.data(), count, m_tiffCompressionType)
                        : SaveSelectedImagesAsMultiPagePDF(path, list.data(), count, &m_pdfSettings,
                                                           m_pdfCompressionType, m_jpegQuality);
            return true;
        }
        case kOpShowFileDialog: {
            SetErrorCode(0);
            char filter[4096], extension[512], folder[512];
            if (!FitArgument(*this, args[1].text, filter, TextFit::Refuse) ||
                !FitArgument(*this, args[3].text, extension, TextFit::Refuse) ||
                !FitArgument(*this, args[4].text, folder, TextFit::Refuse))
                return true;
            out.b = ShowFileDialog(args[0].b, filter, static_cast<DWORD>(args[2].i), extension, folder, args[5].b, args[6].b,
                                   static_cast<DWORD>(args[7].i)) > 0;
            return true;
        }
        default: return RunImageDataMethod(op, args, out);
    }
}

// Image data, drawing on images, the editor and printing.
bool PluginInstance::RunImageDataMethod(int op, const std::vector<ScriptValue>& args, ScriptValue& out) {
    switch (op) {
        // Image data.
        case kOpGetImageSizeWithSpecifiedType: {
            LONG size = 0;
            out.i = GetImageSizeWithSpecifiedType(args[0].h, args[1].i, &size) == 1 ? size : 0;
            return true;
        }
        case kOpGetHDIB: {
            const INT_PTR handle = reinterpret_cast<INT_PTR>(GetImageDIB(args[0].h));
            // A handle is answered only when 32 bits hold it whole.
            const bool fits = handle == static_cast<INT_PTR>(static_cast<int32_t>(handle));
            if (handle && !fits) SetErrorCode(kErrInvalidValue);
            out.i = fits ? static_cast<int32_t>(handle) : 0;
            return true;
        }
        case kOpLoadDibFromClipboard: out.b = LoadDibFromClipboard() != 0; return true;
        case kOpCutFrameToClipboard:
            SetErrorCode(0);
            out.b = CutFrameToClipboard(args[0].h, args[1].i, args[2].i, args[3].i, args[4].i) != 0;
            return true;
        case kOpIsBlankImageEx:
            SetCurrentOperationId(kOpIsBlankImageEx);
            out.b = IsBlankImageEx(args[0].h, args[1].i, args[2].i, args[3].i, args[4].i, args[5].b) != 0;
            return true;
        case kOpSetDPI:
            out.b = SetDPI(args[0].h, args[1].i, args[2].i, args[3].b, args[4].i) == 1;
            return true;
        // Drawing on images.
        case kOpOverlayRectangle:
            SetErrorCode(0);
            out.b = OverlayRectangle(args[0].h, args[1].i, args[2].i, args[3].i, args[4].i, static_cast<DWORD>(args[5].i),
                                     static_cast<float>(args[6].d)) != 0;
            return true;
        case kOpCreateTextFont: {
            char face[32];
            SetErrorCode(0);
            FitArgument(*this, args[13].text, face, TextFit::Cut);
            out.b = CreateTextFont(args[0].i, args[1].i, args[2].i, args[3].i, args[4].i, BYTE(args[5].i), BYTE(args[6].i), BYTE(args[7].i),
                                   BYTE(args[8].i), BYTE(args[9].i), BYTE(args[10].i), BYTE(args[11].i), BYTE(args[12].i), face) != 0;
            return true;
        }
        case kOpAddText: {
            char text[1024];
            SetErrorCode(0);
            FitArgument(*this, args[3].text, text, TextFit::Cut);
            out.b = AddText(args[0].h, args[1].i, args[2].i, text, static_cast<DWORD>(args[4].i), static_cast<DWORD>(args[5].i),
                            static_cast<float>(args[6].d), static_cast<float>(args[7].d)) != 0;
            return true;
        }
        // The editor and printing, owned by the plug-in window.
        case kOpShowImageEditor: out.b = ShowImageEditor(PluginWindow()) != 0; return true;
        case kOpPrint: {
            SetErrorCode(0);
            std::unique_ptr<CPrint> job(new (std::nothrow) CPrint(this, GetModuleInstance(), m_ifShowPrintUI));
            if (!job) {
                SetErrorCode(kMemberNoMemory);
                return true;
            }
            const int page = GetCurrentImageIndex() + 1;
            out.b = job->PrintImages(PluginWindow(), page, page, 1) != 0;
            if (!out.b) SetErrorCode(kMemberFailed);
            return true;
        }
        default: return false;
    }
}
