// Member families that both hosts expose with one shape over the same engine fields. Each host
// expands a table with its own adapter macro (the control into ILumetta members, the plug-in into
// cases of its member switch), so the fields and rules are written once.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>

// Copies an engine text into a fixed field, cut to the field (the tables' writes).
template <size_t N>
void CopyText(char (&buffer)[N], const char* text) {
    const size_t length = std::min(std::strlen(text), N - 1);
    std::memcpy(buffer, text, length);
    buffer[length] = '\0';
}

// Engine flags of the viewer, file dialog, printing and editor settings (read/write): member,
// read, write (of the stored 0 or 1 named flag), whether the get answers true only for exactly 1.
#define LUMETTA_DOCUMENT_FLAGS(X)                                                                      \
    X(IfShowPrintUI, m_ifShowPrintUI, m_ifShowPrintUI = flag, 0)                                       \
    X(IfShowFileDialog, m_ifShowFileDialog, m_ifShowFileDialog = flag, 0)                              \
    X(ImageEditorIfReadonly, m_editorIfReadonly, m_editorIfReadonly = flag, 1)                         \
    X(ImageEditorIfEnableEnumerator, m_editorIfEnableEnumerator, m_editorIfEnableEnumerator = flag, 1) \
    X(ImageEditorIfModal, m_editorIfModal, m_editorIfModal = flag, 0)

// Editor title and PDF document texts (read/write): member, read, write (of the fitted text named
// text), buffer size, what happens to over-long text (titles and metadata are cut).
#define LUMETTA_DOCUMENT_TEXTS(X)                                                                           \
    X(ImageEditorWindowTitle, m_editorTitle, CopyText(m_editorTitle, text), 259, Cut)                       \
    X(PDFVersion, m_pdfSettings.version, CopyText(m_pdfSettings.version, text), 32, Cut)                    \
    X(PDFTitle, m_pdfSettings.title, CopyText(m_pdfSettings.title, text), 256, Cut)                         \
    X(PDFAuthor, m_pdfSettings.author, CopyText(m_pdfSettings.author, text), 256, Cut)                      \
    X(PDFSubject, m_pdfSettings.subject, CopyText(m_pdfSettings.subject, text), 256, Cut)                   \
    X(PDFKeywords, m_pdfSettings.keywords, CopyText(m_pdfSettings.keywords, text), 256, Cut)                \
    X(PDFCreationDate, m_pdfSettings.creationDate, CopyText(m_pdfSettings.creationDate, text), 256, Cut)    \
    X(PDFModifiedDate, m_pdfSettings.modifiedDate, CopyText(m_pdfSettings.modifiedDate, text), 256, Cut)    \
    X(PDFCreator, m_pdfSettings.creator, CopyText(m_pdfSettings.creator, text), 256, Cut)                   \
    X(PDFProducer, m_pdfSettings.producer, CopyText(m_pdfSettings.producer, text), 256, Cut)

// Viewer fields read and written as they are: member, value type, viewer getter, viewer setter.
#define LUMETTA_VIEWER_FIELDS(X)                                                                 \
    X(FitWindowType, short, GetFitWindowType, SetFitWindowType)                                  \
    X(ImageMargin, short, GetImageMargin, SetImageMargin)                                        \
    X(SelectionImageBorderColor, long, GetSelectionImageBorderColor, SetSelectionImageBorderColor) \
    X(BackgroundColor, long, GetBackgroundColor, SetBackgroundColor)
