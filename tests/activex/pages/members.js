// The script interface in user mode: conversions, gates, the throw rule and error codes of each
// family, byte arrays and Base64, file members. @HTTP_PORT@ is filled in by the runner, which puts
// tests/support/pages/page_bytes.js (makeBmp, base64) before this page.
var bitmapChanged = 0, failInHandler = false;
var percents = [];
function Lumetta_OnBitmapChanged() {
    bitmapChanged++;
    if (failInHandler) Lumetta.RemoveImage(999);
}
// Handlers that do the worst they can while the control waits (see reentrancy()).
var phase = "", nestedResult = null, nestedError = 0, replaced = false;
function Lumetta_OnInternetTransferPercentage(percent, cancel) {
    percents.push(percent);
    if (phase == "upload" && nestedResult == null) {
        nestedResult = Lumetta.HTTPUploadThroughPost("127.0.0.1", 0, "/empty", "nested.jpg");
        nestedError = Lumetta.ErrorCode;
    }
    return false;
}
function Lumetta_OnBeforeOperate(id, name) {
    if (phase != "blank") return;
    // Free the image the worker is about to test and put another one in its place.
    Lumetta.RemoveAllImages();
    replaced = Lumetta.LoadImageFromBase64Binary(base64(makeBmp(40, 30, 0)), 0);
}

// A 24-bit BMP of one grey value.
function solidBmp(width, height, value) {
    var b = makeBmp(width, height, 0);
    for (var i = 54; i < b.length; i++) b[i] = value;
    return b;
}

function repeat(c, n) { var s = ""; while (s.length < n) s += c; return s; }
function throws(f) { try { f(); } catch (e) { return true; } return false; }

function settings() {
    Lumetta.TIFFCompressionType = 5;
    Lumetta.TIFFCompressionType = 6;
    Host.Check(Lumetta.ErrorCode == -1034, "TIFFCompressionType 6 refused");
    Host.Check(Lumetta.TIFFCompressionType == 5, "and the old value kept");
    Lumetta.TIFFCompressionType = 32773;
    Host.Check(Lumetta.TIFFCompressionType == 32773 && Lumetta.ErrorCode == 0, "PackBits accepted");
    Lumetta.BlankImageThreshold = 300;
    Host.Check(Lumetta.BlankImageThreshold == 255, "threshold clamped");
    Lumetta.BlankImageMaxStdDev = 12.5;
    Lumetta.BlankImageMaxStdDev = NaN;
    Host.Check(Lumetta.ErrorCode == -1034 && Lumetta.BlankImageMaxStdDev == 12.5, "NaN standard deviation refused");
    Lumetta.Zoom = NaN;
    Host.Check(Lumetta.ErrorCode == -1034, "NaN zoom refused");
    Lumetta.PDFTitle = repeat("t", 300);
    Host.Check(Lumetta.PDFTitle.length == 255, "a title is cut to 255: " + Lumetta.PDFTitle.length);
    Lumetta.ProxyServer = "proxy:8080";
    Lumetta.ProxyServer = repeat("p", 300);
    Host.Check(Lumetta.ErrorCode == -1034 && Lumetta.ProxyServer == "proxy:8080", "a long server name is refused");
    Lumetta.IfTiffMultiPage = true;
    Host.Check(Lumetta.IfTiffMultiPage == true, "flag round trip");
    Lumetta.IfShowFileDialog = false;
    Lumetta.JPEGQuality = 90;
    Host.Check(Lumetta.JPEGQuality == 90, "JPEGQuality reaches the engine");
    Lumetta.HttpFieldNameOfUploadedImage = "scan";
    Host.Check(Lumetta.HttpFieldNameOfUploadedImage == "scan", "upload field name");
}

function errorsAndThrowMode() {
    var ok = Lumetta.RemoveImage(40);
    Host.Check(ok == false && Lumetta.ErrorCode == -1033, "quiet failure: false and the buffer's code " + Lumetta.ErrorCode);
    var text = Lumetta.ErrorString;
    Host.Check(text.length > 0 && Lumetta.ErrorCode == 0, "ErrorString gives a text and clears the code: " + text);
    Lumetta.SetSelectedImageArea(-1, 0, 0, 5, 5);
    Host.Check(Lumetta.ErrorCode == 1, "a refused selection area gives 1: " + Lumetta.ErrorCode);
    Host.Check(Lumetta.ErrorString == "The operation did not succeed.", "code 1 has a text");
    Lumetta.IfThrowException = true;
    Host.Check(throws(function () { Lumetta.RemoveImage(40); }), "throw mode: a failure throws");
    Host.Check(throws(function () { Lumetta.FTPUploadEx("127.0.0.1", 0, "a.jpg", 1); }), "a failing transfer throws in throw mode");
    Lumetta.IfThrowException = false;
    // Without the print UI, Print goes to the default printer at once: it prints, or, where the
    // prefix has no printer, fails with the general failure; it never waits for a dialog.
    Lumetta.IfShowPrintUI = false;
    var printed = Lumetta.Print();
    Host.Check(printed ? Lumetta.ErrorCode == 0 : Lumetta.ErrorCode == -1001, "Print without UI: " + printed + " " + Lumetta.ErrorCode);
    Lumetta.IfShowPrintUI = true;
    Host.Check(Lumetta.FTPUploadEx("127.0.0.1", 0, "a.jpg", 1) == false && Lumetta.ErrorCode < 0,
               "an FTP upload without an image or a server fails: " + Lumetta.ErrorCode);
    Host.Check(Lumetta.ErrorString.length > 0, "and its text");
}

function dataExchange() {
    Lumetta.RemoveAllImages();
    var bmp = makeBmp(14, 226, 2);
    Host.Check(bmp.length == 10000, "a 10,000-byte file: " + bmp.length);
    Host.Check(Lumetta.LoadImageFromBytes(9999, bmp, 0) == false && Lumetta.ErrorCode == -1034, "size mismatch refused");
    Host.Check(Lumetta.LoadImageFromBytes(10000, bmp, 7) == false && Lumetta.ErrorCode == -1110, "type 7 refused");
    var before = bitmapChanged;
    Host.Check(Lumetta.LoadImageFromBytes(10000, bmp, 0) == true, "loaded from a script array: " + Lumetta.ErrorCode);
    Host.Check(Lumetta.HowManyImagesInBuffer == 1, "one image");
    Host.Check(Lumetta.GetImageWidth(0) == 14 && Lumetta.GetImageHeight(0) == 226 && Lumetta.GetImageBitDepth(0) == 24,
               "image header reads");
    Host.Check(Lumetta.LoadImageFromBase64Binary(base64(bmp), 0) == true, "loaded from Base64");
    Host.Check(Lumetta.LoadImageFromBase64Binary(base64(bmp), 5) == false && Lumetta.ErrorCode == -1110,
               "Base64 with type 5 fails after decoding");
    Host.Check(Lumetta.HowManyImagesInBuffer == 2, "two images");
    Host.Check(Lumetta.hDIB(0) != 0 && Lumetta.hDIB(9) == 0, "hDIB of an image and of no image");
    var picture = Lumetta.Picture(0);
    Host.Check(picture != null && picture.Width > 0, "a picture object");
    Host.Check(Lumetta.Picture(1) != picture, "each Picture get makes a new object");

    var chunk = [];
    for (var i = 0; i < 4096; i++) chunk.push(0);
    Host.Check(Lumetta.SaveSelectedImagesToBytes(4096, chunk) == 0 && Lumetta.ErrorCode == -2005, "nothing prepared");
    Lumetta.SelectedImagesCount = 1;
    Lumetta.SetSelectedImageIndex(0, 0);
    var size = Lumetta.GetSelectedImagesSize(0);
    Host.Check(size > 8192 && size <= 10000, "prepared BMP size " + size);
    var all = [], answers = [];
    for (var k = 0; k < 3; k++) {
        var n = Lumetta.SaveSelectedImagesToBytes(4096, chunk);
        answers.push(n);
        for (var j = 0; j < n; j++) all.push(chunk[j]);
    }
    Host.Check(answers[0] == 4096 && answers[1] == 4096 && answers[2] == size - 8192, "chunks " + answers.join(","));
    Host.Check(Lumetta.SaveSelectedImagesToBytes(4096, chunk) == 0 && Lumetta.ErrorCode == -2005, "released after the last");
    Host.Check(all[0] == 66 && all[1] == 77 && all.length == size, "the chunks form the BMP");
    Host.Check(Lumetta.LoadImageFromBytes(all.length, all, 0) == true, "the read bytes load again");
    Host.Check(Lumetta.GetSelectedImagesSize(0) == size, "prepared again");
    var text = Lumetta.SaveSelectedImagesToBase64Binary();
    Host.Check(text == base64(all), "Base64 output equals the bytes' encoding");
    Host.Check(Lumetta.SaveSelectedImagesToBase64Binary() == "" && Lumetta.ErrorCode == -2005, "Base64 consumed the data");
    Host.Check(bitmapChanged > before, "loads raise OnBitmapChanged");
}

function files() {
    var folder = "C:\\windows\\temp\\";
    Host.Check(Lumetta.SaveAsBMP(folder + "m.bmp", 0) == true, "SaveAsBMP " + Lumetta.ErrorCode);
    Host.Check(Lumetta.SaveAsJPEG(folder + "m.jpg", 0) == true, "SaveAsJPEG " + Lumetta.ErrorCode);
    Host.Check(Lumetta.SaveAsBMP(folder + repeat("x", 300) + ".bmp", 0) == false && Lumetta.ErrorCode == -1034,
               "an over-long path is refused, not cut");
    var count = Lumetta.HowManyImagesInBuffer;
    Host.Check(Lumetta.LoadImage(folder + "m.bmp") == true && Lumetta.HowManyImagesInBuffer == count + 1, "LoadImage");
    Host.Check(Lumetta.LoadImage(folder + "m.xyz") == false && Lumetta.ErrorCode == -1110, "unknown extension");
    failInHandler = true;
    var changes = bitmapChanged;
    Host.Check(Lumetta.LoadImageEx(folder + "m.bmp", 0) == true, "LoadImageEx");
    failInHandler = false;
    Host.Check(bitmapChanged == changes + 1, "one OnBitmapChanged for the load: " + (bitmapChanged - changes));
    Host.Check(Lumetta.ErrorCode == 0, "a failing member in the handler does not change the load's code: " + Lumetta.ErrorCode);
    // A path that fits SaveAsPDF's buffer but not the file I/O layer's is refused there, not cut.
    Host.Check(Lumetta.SaveAsPDF(folder + repeat("y", 300) + ".pdf", 0) == false && Lumetta.ErrorCode == -1034,
               "a 300-character name is refused: " + Lumetta.ErrorCode);
    Host.Check(Lumetta.FTPUpload("host", 0, "remote") == false && Lumetta.ErrorCode == -1110, "FTPUpload tests the name first");
    // Hook and template flags would need code of the page's own: they are masked out.
    Lumetta.ShowFileDialog(false, "Bitmaps|*.bmp", 1, "bmp", folder, false, false, 0x20 | 0x40 | 0x80000);
    Host.Check(true, "ShowFileDialog with hook and template flags returns");
    Host.Check(Lumetta.Rotate(0, 90, false) == true && Lumetta.GetImageWidth(0) == 226, "Rotate 90");
    Host.Check(Lumetta.Rotate(0, NaN, false) == false && Lumetta.ErrorCode == -1034, "NaN angle refused");
}

// Three pages of different sizes as one PDF file, loaded back; the same through bytes and Base64,
// with the document information both ways.
function pdf() {
    var folder = "C:\\windows\\temp\\";
    Lumetta.RemoveAllImages();
    var sizes = [[31, 17], [8, 40], [120, 3]];
    for (var i = 0; i < sizes.length; i++) Lumetta.LoadImageFromBytes(makeBmp(sizes[i][0], sizes[i][1], 0).length,
                                                                     makeBmp(sizes[i][0], sizes[i][1], 0), 0);
    Host.Check(Lumetta.HowManyImagesInBuffer == 3, "three pages to save");
    Lumetta.PDFTitle = "Three (pages)";
    Lumetta.PDFCompressionType = 5;
    Host.Check(Lumetta.SaveAllAsPDF(folder + "three.pdf") == true, "SaveAllAsPDF " + Lumetta.ErrorCode);
    Lumetta.RemoveAllImages();
    Lumetta.PDFTitle = "";
    Host.Check(Lumetta.LoadImage(folder + "three.pdf") == true, "LoadImage of the PDF " + Lumetta.ErrorCode);
    Host.Check(Lumetta.HowManyImagesInBuffer == 3, "three images: " + Lumetta.HowManyImagesInBuffer);
    for (var i = 0; i < sizes.length; i++)
        Host.Check(Lumetta.GetImageWidth(i) == sizes[i][0] && Lumetta.GetImageHeight(i) == sizes[i][1],
                   "page " + i + " is " + Lumetta.GetImageWidth(i) + "x" + Lumetta.GetImageHeight(i));
    Host.Check(Lumetta.PDFTitle == "Three (pages)", "the title read back: " + Lumetta.PDFTitle);

    Lumetta.SelectedImagesCount = 2;
    Lumetta.SetSelectedImageIndex(0, 0);
    Lumetta.SetSelectedImageIndex(1, 2);
    var size = Lumetta.GetSelectedImagesSize(4);
    Host.Check(size > 0, "a PDF of two pages prepared: " + size + " " + Lumetta.ErrorCode);
    var chunk = [];
    for (var i = 0; i < size; i++) chunk.push(0);
    Host.Check(Lumetta.SaveSelectedImagesToBytes(size, chunk) == size, "the PDF's bytes");
    Host.Check(String.fromCharCode(chunk[0], chunk[1], chunk[2], chunk[3]) == "%PDF", "they are a PDF");
    Lumetta.RemoveAllImages();
    Host.Check(Lumetta.LoadImageFromBytes(size, chunk, 4) == true && Lumetta.HowManyImagesInBuffer == 2,
               "loaded from bytes: " + Lumetta.ErrorCode);
    Host.Check(Lumetta.GetImageWidth(0) == 31 && Lumetta.GetImageWidth(1) == 120,
               "the selected pages: " + Lumetta.GetImageWidth(0) + " " + Lumetta.GetImageWidth(1));
    Host.Check(Lumetta.LoadImageFromBase64Binary(base64(chunk), 4) == true && Lumetta.HowManyImagesInBuffer == 4,
               "loaded from Base64: " + Lumetta.ErrorCode);
    Host.Check(Lumetta.LoadImageFromBytes(10, [37, 80, 68, 70, 45, 49, 46, 52, 10, 10], 4) == false &&
               Lumetta.ErrorCode == -1081, "a broken PDF from bytes (TIFF table): " + Lumetta.ErrorCode);
    Lumetta.PDFCompressionType = 0;
}

function uploads() {
    var server = "127.0.0.1";
    Lumetta.ProxyServer = "";
    // The page host answers every dialog by cancelling it: a slow run must not show the transfer's.
    Lumetta.IfShowCancelDialogWhenImageTransfer = false;
    Lumetta.HTTPPort = parseInt("@HTTP_PORT@", 10);
    Host.Check(Lumetta.HTTPUploadThroughPost(server, 0, "/ok", "scan") == false && Lumetta.ErrorCode == -1110,
               "a file name without a dot sends nothing");
    Lumetta.SetHTTPFormField("note", "from the page");
    Host.Check(Lumetta.HTTPUploadThroughPost(server, 0, "/empty", "scan.JPEG") == true, "POST upload " + Lumetta.ErrorCode);
    Host.Check(Lumetta.HTTPUploadThroughPost(server, 0, "/ok", "scan.jpg") == false && Lumetta.ErrorCode == -2003,
               "a server that answers text reports a processing error");
    Host.Check(Lumetta.HTTPPostResponseString == "OK", "the server's answer: " + Lumetta.HTTPPostResponseString);
    Host.Check(Lumetta.HTTPUploadAllThroughPostAsMultiPageTIFF(server, "/empty", "all.tif") == true, "TIFF of all images " + Lumetta.ErrorCode);
    Host.Check(Lumetta.HTTPUploadThroughPutEx(server, 0, "/put.bmp", 0) == true, "PUT upload " + Lumetta.ErrorCode);
    Host.Check(Lumetta.HTTPUploadAllThroughPostAsPDF(server, "/empty", "all.pdf") == true, "PDF of all images " + Lumetta.ErrorCode);
    Host.Check(Lumetta.HTTPUploadThroughPost(repeat("h", 300), 0, "/ok", "a.jpg") == false && Lumetta.ErrorCode == -1034,
               "an over-long server name is refused");
    Host.Check(percents.length > 0, "progress events reached the page");
}

// Page script inside the control's waits: a handler frees the image the blank worker reads, and
// a progress handler starts a second upload.
function reentrancy() {
    Lumetta.BlankImageThreshold = 128;
    Lumetta.BlankImageMaxStdDev = 1;
    Lumetta.RemoveAllImages();
    Host.Check(Lumetta.LoadImageFromBase64Binary(base64(solidBmp(40, 30, 255)), 0) == true, "a white image");
    phase = "blank";
    var blank = Lumetta.IsBlankImageEx(0, 0, 0, -1, -1, false);
    phase = "";
    Host.Check(replaced, "the handler replaced the image");
    Host.Check(blank == true && Lumetta.ErrorCode == 0,
               "the worker tested the white image it was called for: " + blank + " " + Lumetta.ErrorCode);
    Host.Check(Lumetta.HowManyImagesInBuffer == 1 && Lumetta.IsBlankImage(0) == false, "the page's new image is kept");
    if ("@HTTP_PORT@".charAt(0) == "@") return;
    phase = "upload";
    var ok = Lumetta.HTTPUploadThroughPost("127.0.0.1", 0, "/empty", "outer.jpg");
    phase = "";
    Host.Check(nestedResult === false && nestedError == -2121,
               "the upload from the progress handler is refused: " + nestedResult + " " + nestedError);
    Host.Check(ok == true, "the outer upload went on to its end: " + Lumetta.ErrorCode);
    Host.Check(Lumetta.HTTPUploadThroughPost("127.0.0.1", 0, "/empty", "after.jpg") == true,
               "the next upload runs: " + Lumetta.ErrorCode);
}

function main() {
    settings();
    errorsAndThrowMode();
    dataExchange();
    files();
    pdf();
    if ("@HTTP_PORT@".charAt(0) != "@") uploads();
    reentrancy();
    Host.Echo("members page done");
}
