// One page for both hosts: members the control and the plug-in share, run the same way in the
// page host (LumettaCtrl) and in the browser harness (NPLumetta). Every result is printed as a
// line "= what: value", and the two hosts' lines must be equal; facts known from the test files
// themselves (rose.bmp is 70 x 46 pixels at 24 bits) are checked in each host on its own.
// two_hosts.sh fills in @FILES@ (the test files) and @OUT@ (a work folder), both ending in "\\".
var files = "@FILES@", out = "@OUT@";

var posted = [];
function Lumetta_OnPostLoad(path, name, type) { posted.push(path + "|" + name + "|" + type); }

function show(what, value) { Host.Echo("= " + what + ": " + value); return value; }
function check(ok, what) { Host.Check(ok, what); }
function size() { return Lumetta.GetImageWidth(Lumetta.CurrentImageIndexInBuffer) + "x" +
                         Lumetta.GetImageHeight(Lumetta.CurrentImageIndexInBuffer); }
function error() { return Lumetta.ErrorCode + " " + Lumetta.ErrorString; }

function main() {
    if (Host.Name == "control") Lumetta.IfThrowException = false;
    Lumetta.IfShowUI = false;
    Lumetta.RemoveAllImages();
    show("empty buffer", Lumetta.HowManyImagesInBuffer + " images, current " + Lumetta.CurrentImageIndexInBuffer);

    // Files in, the buffer and its images.
    show("LoadImage rose.bmp", Lumetta.LoadImage(files + "rose.bmp"));
    show("LoadImageEx rose.bmp as BMP", Lumetta.LoadImageEx(files + "rose.bmp", 0));
    show("count", Lumetta.HowManyImagesInBuffer);
    // A type outside 0 to 5 loads nothing, whatever the extension says, and is no failure.
    show("LoadImageEx rose.bmp as type -1", Lumetta.LoadImageEx(files + "rose.bmp", -1) + " " + Lumetta.ErrorCode);
    check(show("count after type -1", Lumetta.HowManyImagesInBuffer) == 2, "type -1 loads nothing");
    show("current", Lumetta.CurrentImageIndexInBuffer);
    check(show("image 0", Lumetta.GetImageWidth(0) + "x" + Lumetta.GetImageHeight(0)) == "70x46", "rose.bmp is 70 x 46");
    check(show("bit depth", Lumetta.GetImageBitDepth(0)) == 24, "rose.bmp has 24 bits a pixel");
    // A BMP of 70 x 46 at 24 bits: 54 bytes of headers and 46 rows of 212 bytes (70 * 3, padded to 4).
    check(show("size as BMP", Lumetta.GetImageSize(0, 70, 46)) >= 0, "a size is given");

    // Image operations.
    show("RotateLeft", Lumetta.RotateLeft(0));
    check(show("after RotateLeft", Lumetta.GetImageWidth(0) + "x" + Lumetta.GetImageHeight(0)) == "46x70", "a quarter turn swaps the sides");
    show("RotateRight", Lumetta.RotateRight(0));
    show("Flip", Lumetta.Flip(1));
    show("Mirror", Lumetta.Mirror(1));
    show("Crop", Lumetta.Crop(1, 10, 5, 40, 25));
    check(show("after Crop", Lumetta.GetImageWidth(1) + "x" + Lumetta.GetImageHeight(1)) == "30x20", "the crop keeps 30 x 20");
    show("ChangeImageSize", Lumetta.ChangeImageSize(0, 35, 23, 1));
    check(show("after ChangeImageSize", Lumetta.GetImageWidth(0) + "x" + Lumetta.GetImageHeight(0)) == "35x23", "the new size");
    show("Rotate 90", Lumetta.RotateEx(0, 90, false, 3));
    show("after Rotate", Lumetta.GetImageWidth(0) + "x" + Lumetta.GetImageHeight(0));
    show("SwitchImage", Lumetta.SwitchImage(0, 1));
    show("after SwitchImage", Lumetta.GetImageWidth(0) + "x" + Lumetta.GetImageHeight(0));

    // Properties, set and read back. The progress dialog's switch is on until the page turns it off.
    show("IfShowProgressBar by default", Lumetta.IfShowProgressBar);
    Lumetta.IfShowProgressBar = false;
    show("IfShowProgressBar off", Lumetta.IfShowProgressBar);
    Lumetta.IfShowProgressBar = true;
    Lumetta.JPEGQuality = 42;
    show("JPEGQuality", Lumetta.JPEGQuality);
    Lumetta.MaxImagesInBuffer = 3;
    show("MaxImagesInBuffer", Lumetta.MaxImagesInBuffer);
    Lumetta.IfAppendImage = false;
    show("IfAppendImage", Lumetta.IfAppendImage);
    Lumetta.IfAppendImage = true;
    Lumetta.CurrentImageIndexInBuffer = 1;
    show("CurrentImageIndexInBuffer", Lumetta.CurrentImageIndexInBuffer);
    Lumetta.BlankImageThreshold = 200;
    show("BlankImageThreshold", Lumetta.BlankImageThreshold);
    compressions();

    // Credentials and the proxy at the length both hosts keep (255 characters; the last one is
    // two bytes in UTF-8 and one in the engine's code page). Longer ones: the control refuses
    // them, the plug-in cuts them (pluginOnly).
    var names = ["HTTPUserName", "HTTPPassword", "FTPUserName", "FTPPassword", "ProxyServer"];
    var text = new Array(255).join("x") + "\u00e9";
    for (var n = 0; n < names.length; n++) {
        Lumetta[names[n]] = text;
        show(names[n], Lumetta[names[n]] == text);
    }

    // Files out and back in, with a name outside ASCII.
    show("SaveAsBMP", Lumetta.SaveAsBMP(out + "shared.bmp", 1));
    show("SaveAsJPEG", Lumetta.SaveAsJPEG(out + "shared.jpg", 1));
    show("SaveAsTIFF", Lumetta.SaveAsTIFF(out + "shared.tif", 1));
    show("SaveAllAsMultiPageTIFF", Lumetta.SaveAllAsMultiPageTIFF(out + "all.tif"));
    show("SaveAsBMP café", Lumetta.SaveAsBMP(out + "caf\u00e9.bmp", 1));
    Lumetta.RemoveAllImages();
    show("LoadImage café", Lumetta.LoadImage(out + "caf\u00e9.bmp"));
    // Index 1 held the image turned to 23 x 35 since SwitchImage.
    check(show("café image", size()) == "23x35", "the saved image comes back");
    show("LoadImage all.tif", Lumetta.LoadImage(out + "all.tif"));
    show("count with the TIFF pages", Lumetta.HowManyImagesInBuffer);
    show("LoadImage shared.jpg", Lumetta.LoadImage(out + "shared.jpg"));
    show("JPEG image", size());

    // Failures: the same codes and texts.
    show("RemoveImage 99", Lumetta.RemoveImage(99));
    show("error", error());
    show("LoadImage missing", Lumetta.LoadImage(out + "missing.bmp"));
    show("error", error());
    show("GetImageWidth 99", Lumetta.GetImageWidth(99));
    show("error", error());
    show("SaveAsBMP long path", Lumetta.SaveAsBMP(out + new Array(300).join("a") + ".bmp", 0));
    show("error", error());
    viewMembers();
    Lumetta.RemoveAllImages();  // the control's gives nothing, the plug-in's true
    show("count at the end", Lumetta.HowManyImagesInBuffer);
    if (Host.Name == "plug-in") pluginOnly();
}

// The compressions of the TIFF and PDF saves take the values of their lists only (the type
// library's enumerations: TIFF_AUTO 0 to TIFF_LZW 5 and TIFF_PACKBITS 32773; enumAutoEncode 0 to
// enumJPEGEncode 5); any other value is refused with -1034 and the one before kept.
function compressions() {
    var lists = {TIFFCompressionType: [0, 1, 2, 3, 4, 5, 32773], PDFCompressionType: [0, 1, 2, 3, 4, 5]};
    var tried = [-1, 0, 1, 2, 3, 4, 5, 6, 7, 9, 32772, 32773, 32774, 65535];
    for (var name in lists) {
        var answers = [];
        for (var t = 0; t < tried.length; t++) {
            var before = tried[t] == 4 ? 5 : 4;
            Lumetta[name] = before;
            Lumetta[name] = tried[t];
            var code = Lumetta.ErrorCode, now = Lumetta[name];
            var listed = false;
            for (var l = 0; l < lists[name].length; l++) listed = listed || lists[name][l] == tried[t];
            check(listed ? now == tried[t] && code == 0 : now == before && code == -1034,
                  name + " = " + tried[t] + (listed ? " is taken" : " is refused, " + before + " kept") +
                  ": " + now + ", " + code);
            answers.push(tried[t] + ">" + now + " " + code);
        }
        show(name, answers.join(", "));
        Lumetta[name] = 0;
    }
}

// The viewer, documents, drawing and their settings.
function viewMembers() {
    Lumetta.RemoveAllImages();
    Lumetta.MaxImagesInBuffer = 20;
    Lumetta.LoadImage(files + "rose.bmp");
    Lumetta.LoadImage(files + "rose.bmp");
    Lumetta.LoadImage(files + "rose.bmp");

    // Viewer settings, set and read back; out-of-range values refused. The fit type belongs to
    // the one-image view (-1, -1).
    Lumetta.SetViewMode(-1, -1);
    Lumetta.IfFitWindow = true;
    Lumetta.FitWindowType = 3;
    show("FitWindowType", Lumetta.FitWindowType);
    Lumetta.FitWindowType = 5;
    show("FitWindowType 5", Lumetta.FitWindowType);
    Lumetta.SetViewMode(2, 2);
    show("SetViewMode", error());
    Lumetta.Zoom = 1.5;
    show("Zoom", Lumetta.Zoom);
    Lumetta.BorderStyle = 2;
    show("BorderStyle", Lumetta.BorderStyle);
    Lumetta.BorderStyle = 5;
    show("BorderStyle 5", error() + ", stays " + Lumetta.BorderStyle);
    Lumetta.ImageMargin = 7;
    Lumetta.SelectionImageBorderColor = 0x00FF00;
    Lumetta.BackgroundColor = 0x123456;
    show("viewer fields", Lumetta.ImageMargin + " " +
         Lumetta.SelectionImageBorderColor + " " + Lumetta.BackgroundColor);
    Lumetta.IfFitWindow = false;
    Lumetta.EnableInteractiveZoom = true;
    Lumetta.AllowMultiSelect = true;
    Lumetta.MouseShape = true;
    show("viewer flags", Lumetta.IfFitWindow + " " + Lumetta.EnableInteractiveZoom + " " +
         Lumetta.AllowMultiSelect + " " + Lumetta.MouseShape);
    Lumetta.MouseShape = false;
    show("MouseShape off", Lumetta.MouseShape);
    Lumetta.LogLevel = 2;
    show("LogLevel 2", error() + ", stays " + Lumetta.LogLevel);

    // Selection.
    Lumetta.SelectedImagesCount = 2;
    Lumetta.SetSelectedImageIndex(0, 0);
    Lumetta.SetSelectedImageIndex(1, 2);
    show("selection", Lumetta.SelectedImagesCount + ": " + Lumetta.GetSelectedImageIndex(0) + " " +
         Lumetta.GetSelectedImageIndex(1));
    Lumetta.SetSelectedImageIndex(0, 9);
    show("select image 9", error());
    show("SetSelectedImageArea", Lumetta.SetSelectedImageArea(0, 1, 1, 20, 20) + " " + error());

    // Settings of documents, the editor and printing.
    Lumetta.IfShowPrintUI = true;
    Lumetta.IfShowFileDialog = true;
    Lumetta.ImageEditorIfReadonly = true;
    Lumetta.ImageEditorIfEnableEnumerator = false;
    Lumetta.ImageEditorIfModal = true;
    show("document flags", Lumetta.IfShowPrintUI + " " + Lumetta.IfShowFileDialog + " " +
         Lumetta.ImageEditorIfReadonly + " " + Lumetta.ImageEditorIfEnableEnumerator + " " + Lumetta.ImageEditorIfModal);
    // The hosts answer dialogs differently: the rest runs without them.
    Lumetta.IfShowPrintUI = false;
    Lumetta.IfShowFileDialog = false;
    Lumetta.ImageEditorWindowTitle = "Rosen \u00fcberall";
    show("ImageEditorWindowTitle", Lumetta.ImageEditorWindowTitle);
    Lumetta.PDFTitle = "Rose";
    Lumetta.PDFAuthor = "Both hosts";
    Lumetta.PDFKeywords = new Array(400).join("k");
    Lumetta.PDFVersion = "1.4";
    show("PDF texts", Lumetta.PDFTitle + " | " + Lumetta.PDFAuthor + " | " + Lumetta.PDFKeywords.length + " | " +
         Lumetta.PDFVersion + " | " + error());

    // Documents of all and of the selected images.
    show("SaveAllAsPDF", Lumetta.SaveAllAsPDF(out + "view_all.pdf"));
    show("SaveSelectedImagesAsMultiPageTIFF", Lumetta.SaveSelectedImagesAsMultiPageTIFF(out + "view_selected.tif"));
    show("SaveSelectedImagesAsMultiPagePDF", Lumetta.SaveSelectedImagesAsMultiPagePDF(out + "view_selected.pdf"));
    show("SaveAllAsPDF long path", Lumetta.SaveAllAsPDF(out + new Array(600).join("p") + ".pdf") + " " + error());
    var before = Lumetta.HowManyImagesInBuffer;
    show("LoadImage view_selected.tif", Lumetta.LoadImage(out + "view_selected.tif") + ", " +
         (Lumetta.HowManyImagesInBuffer - before) + " pages");
    show("BMP size of image 0", Lumetta.GetImageSizeWithSpecifiedType(0, 0));
    show("GetHDIB", Lumetta.GetHDIB(0) != 0);
    show("GetHDIB 99", Lumetta.GetHDIB(99) + " " + error());

    // Drawing and measuring.
    show("OverlayRectangle", Lumetta.OverlayRectangle(0, 5, 5, 30, 20, 0xFF0000, 0.5) + " " + error());
    show("CreateTextFont", Lumetta.CreateTextFont(-12, 0, 0, 0, 700, 0, 0, 0, 0, 0, 0, 3, 0, "Tahoma"));
    show("AddText", Lumetta.AddText(0, 2, 2, "Rose", 0xFFFFFF, 0, 0, 1) + " " + error());
    show("IsBlankImageEx", Lumetta.IsBlankImageEx(0, 0, 0, 30, 20, false) + " " + error());
    show("SetDPI", Lumetta.SetDPI(0, 150, 200, false, 3) + " " + Lumetta.GetImageXResolution(0) + "x" +
         Lumetta.GetImageYResolution(0));
    show("SetDPI resampled", Lumetta.SetDPI(1, 144, 144, true, 3) + " " + Lumetta.GetImageWidth(1) + "x" +
         Lumetta.GetImageHeight(1));
    show("CutFrameToClipboard", Lumetta.CutFrameToClipboard(2, 0, 0, 20, 10) + " " + error());
    before = Lumetta.HowManyImagesInBuffer;
    show("LoadDibFromClipboard", Lumetta.LoadDibFromClipboard() + ", " + (Lumetta.HowManyImagesInBuffer - before) +
         " more, " + size());
}

// The plug-in's own ways: byte arrays as script arrays (in pieces, also inside an object's
// "value") and events to the functions the embed attributes name.
function pluginOnly() {
    check(Lumetta.LoadImage(files + "rose.bmp"), "rose.bmp loads");
    // 70 x 46 at 24 bits as BMP: 54 bytes of headers, 46 rows of 212 bytes.
    var size = Lumetta.GetSelectedImagesSize(0);
    check(size == 54 + 212 * 46, "the selected image as BMP has " + size + " bytes");
    var head = new Array(300), rest = new Array(size - 300);
    check(Lumetta.SaveSelectedImagesToBytes(300, head) == 300, "the first 300 bytes");
    check(Lumetta.SaveSelectedImagesToBytes(size - 300, { value: rest }) == size - 300, "the rest, through value");
    check(head[0] == 66 && head[1] == 77 && rest[size - 301] !== undefined, "BM first, every element written");
    check(Lumetta.LoadImageFromBytes(size, head.concat(rest), 0), "the bytes load again: " + error());
    check(Lumetta.HowManyImagesInBuffer == 2 && Lumetta.GetImageWidth(1) == 70, "as the same picture");
    // A failed call raises a script error, as in a browser.
    var threw = false;
    try { Lumetta.LoadImageFromBytes(size, head, 0); } catch (e) { threw = true; }
    check(threw && Lumetta.ErrorCode == -1034, "an array shorter than the size is refused");
    threw = false;
    try { Lumetta.RemoveAllSelectedImages(1); } catch (e) { threw = true; }
    check(threw && Lumetta.ErrorCode == -2113, "a wrong argument count is refused");
    // Longer credentials are cut to 256 whole characters.
    var names = ["HTTPUserName", "HTTPPassword", "FTPUserName", "FTPPassword", "ProxyServer"];
    for (var n = 0; n < names.length; n++) {
        for (var length = 256; length <= 300; length += 44) {
            var text = new Array(length).join("\u00fc") + "x";
            Lumetta[names[n]] = text;
            check(Lumetta[names[n]] == text.substring(0, 256), names[n] + " of " + length + " is cut to 256 characters");
        }
    }
    posted = [];
    Host.SendEvent(15);
    check(posted.join() == "C:\\pages|scan.png|3", "OnPostLoad reached its function: " + posted.join());
}
