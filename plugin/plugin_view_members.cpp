// Script members of the plug-in: the viewer, files and image data, PDF settings, text, the editor and printing.
// Each converts its arguments and result for the core function of the same name, which the
// control's member calls too.
#include <cmath>
#include <memory>
#include <new>

#include "base/error_codes.h"
#include "core/operation_name_table.h"
#include "core/text_fit.h"
#include "engine/print_job.h"
#include "plugin/plugin_instance.h"
#include "plugin/script_out_value.h"

namespace {

// The plug-in's own positive codes of a failed member and of missing memory.
constexpr LONG kMemberFailed = 1;
constexpr LONG kMemberNoMemory = 2;

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
        case kOpFitWindowType:
            if (get) {
                SetErrorCode(0);
                out.i = FitWindowType();
            } else {
                FitWindowType(args[0].h);
            }
            return true;
        case kOpImageMargin:
            if (get) {
                SetErrorCode(0);
                out.i = ImageMargin();
            } else {
                ImageMargin(args[0].h);
            }
            return true;
        case kOpSelectionImageBorderColor:
            if (get) {
                SetErrorCode(0);
                out.i = SelectionImageBorderColor();
            } else {
                SelectionImageBorderColor(args[0].i);
            }
            return true;
        case kOpBackgroundColor:
            if (get) {
                SetErrorCode(0);
                out.i = BackgroundColor();
            } else {
                BackgroundColor(args[0].i);
            }
            return true;
        case kOpBorderStyle:
            if (get) {
                SetErrorCode(0);
                out.i = BorderStyle();
            } else {
                BorderStyle(args[0].i);
            }
            return true;
        case kOpIfFitWindow:
            SetErrorCode(0);
            if (get) out.b = IfFitWindow() != FALSE;
            else IfFitWindow(args[0].b);
            return true;
        case kOpZoom:
            if (get) {
                SetErrorCode(0);
                out.f = Zoom();
            } else {
                Zoom(args[0].f);
            }
            return true;
        case kOpEnableInteractiveZoom:
            SetErrorCode(0);
            if (get) out.b = EnableInteractiveZoom() != FALSE;
            else EnableInteractiveZoom(args[0].b);
            return true;
        case kOpVScrollBar:
            SetErrorCode(0);
            if (get) out.b = VScrollBar() != FALSE;
            else VScrollBar(args[0].b);
            return true;
        case kOpAllowMultiSelect:
            SetErrorCode(0);
            if (get) out.b = AllowMultiSelect() != FALSE;
            else AllowMultiSelect(args[0].b);
            return true;
        case kOpMouseShape:
            SetErrorCode(0);
            if (get) out.b = MouseShape() != 0;
            else MouseShape(args[0].b ? 1 : 0);
            return true;
        case kOpSelectedImagesCount:
            SetErrorCode(0);
            if (get) out.i = SelectedImagesCount();
            else SelectedImagesCount(args[0].h);
            return true;
        case kOpMouseX:
            SetErrorCode(0);
            out.i = MouseX();
            return true;
        case kOpMouseY:
            SetErrorCode(0);
            out.i = MouseY();
            return true;
        case kOpLogLevel:
            // A refused level keeps its -1034.
            SetErrorCode(0);
            if (get) out.i = LogLevel();
            else LogLevel(args[0].h);
            return true;
        default: return RunDocumentProperty(get, op, args, out, result);
    }
}

// The printing, file-dialog and editor flags, the editor's title and the PDF document texts.
bool PluginInstance::RunDocumentProperty(bool get, int op, const std::vector<ScriptValue>& args, ScriptValue& out,
                                         NPVariant* result) {
    switch (op) {
        case kOpIfShowPrintUI:
            if (get) {
                SetErrorCode(0);
                out.b = IfShowPrintUI() != FALSE;
            } else {
                IfShowPrintUI(args[0].b);
            }
            return true;
        case kOpIfShowFileDialog:
            if (get) {
                SetErrorCode(0);
                out.b = IfShowFileDialog() != FALSE;
            } else {
                IfShowFileDialog(args[0].b);
            }
            return true;
        case kOpImageEditorIfReadonly:
            if (get) {
                SetErrorCode(0);
                out.b = ImageEditorIfReadonly() != FALSE;
            } else {
                ImageEditorIfReadonly(args[0].b);
            }
            return true;
        case kOpImageEditorIfEnableEnumerator:
            if (get) {
                SetErrorCode(0);
                out.b = ImageEditorIfEnableEnumerator() != FALSE;
            } else {
                ImageEditorIfEnableEnumerator(args[0].b);
            }
            return true;
        case kOpImageEditorIfModal:
            if (get) {
                SetErrorCode(0);
                out.b = ImageEditorIfModal() != FALSE;
            } else {
                ImageEditorIfModal(args[0].b);
            }
            return true;
        case kOpImageEditorWindowTitle:
            if (get) SetScriptString(result, ImageEditorWindowTitle(), TRUE);
            else ImageEditorWindowTitle(args[0].text);
            return true;
        case kOpPDFVersion:
            if (get) SetScriptString(result, PDFVersion(), TRUE);
            else PDFVersion(args[0].text);
            return true;
        case kOpPDFTitle:
            if (get) SetScriptString(result, PDFTitle(), TRUE);
            else PDFTitle(args[0].text);
            return true;
        case kOpPDFAuthor:
            if (get) SetScriptString(result, PDFAuthor(), TRUE);
            else PDFAuthor(args[0].text);
            return true;
        case kOpPDFSubject:
            if (get) SetScriptString(result, PDFSubject(), TRUE);
            else PDFSubject(args[0].text);
            return true;
        case kOpPDFKeywords:
            if (get) SetScriptString(result, PDFKeywords(), TRUE);
            else PDFKeywords(args[0].text);
            return true;
        case kOpPDFCreationDate:
            if (get) SetScriptString(result, PDFCreationDate(), TRUE);
            else PDFCreationDate(args[0].text);
            return true;
        case kOpPDFModifiedDate:
            if (get) SetScriptString(result, PDFModifiedDate(), TRUE);
            else PDFModifiedDate(args[0].text);
            return true;
        case kOpPDFCreator:
            if (get) SetScriptString(result, PDFCreator(), TRUE);
            else PDFCreator(args[0].text);
            return true;
        case kOpPDFProducer:
            if (get) SetScriptString(result, PDFProducer(), TRUE);
            else PDFProducer(args[0].text);
            return true;
        default: return false;
    }
}

// The viewer's methods and the saves and dialog of the view's files.
bool PluginInstance::RunViewMethod(int op, const std::vector<ScriptValue>& args, ScriptValue& out) {
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
        case kOpSaveAllAsPDF: out.b = CBrowserAddOnBase::SaveAllAsPDF(args[0].text); return true;
        case kOpSaveSelectedImagesAsMultiPageTIFF:
            out.b = CBrowserAddOnBase::SaveSelectedImagesAsMultiPageTIFF(args[0].text);
            return true;
        case kOpSaveSelectedImagesAsMultiPagePDF:
            out.b = CBrowserAddOnBase::SaveSelectedImagesAsMultiPagePDF(args[0].text);
            return true;
        case kOpShowFileDialog:
            out.b = ShowFileDialog(args[0].b, args[1].text, static_cast<DWORD>(args[2].i), args[3].text, args[4].text,
                                   args[5].b, args[6].b, static_cast<DWORD>(args[7].i)) > 0;
            return true;
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
