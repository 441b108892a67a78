// Barcodes and text recognition from a page, through the stand-in add-on libraries and a language
// pack from the loopback server. The control's add-on members are outside its type library: the
// add-on page host hands them to the page as "AddOns". @HTTP_PORT@, @WORK@ and @ADDONS@ are filled
// in by the runner.
var operations = [];
function Lumetta_OnBeforeOperate(id, name) { operations.push(name); }

function main() {
    var server = "127.0.0.1";
    Lumetta.IfShowCancelDialogWhenImageTransfer = false;
    Lumetta.HTTPPort = parseInt("@HTTP_PORT@", 10);
    AddOns.SetDllFolder("@ADDONS@");

    // A file: two barcodes with their texts, formats and corner points.
    Host.Check(AddOns.ReadBarcodeDirectly("C:\\scans\\page1.png", 7) == true, "read a file " + Lumetta.ErrorCode);
    Host.Check(AddOns.BarcodeCount() == 2, "two barcodes: " + AddOns.BarcodeCount());
    Host.Check(AddOns.GetBarcodeText(0) == "LUMETTA1", "first text: " + AddOns.GetBarcodeText(0));
    // The second holds a zero byte ("ab", 0, "cd"): the page gets it as Base64.
    Host.Check(AddOns.GetBarcodeText(1) == "YWIAY2Q=", "second text: " + AddOns.GetBarcodeText(1));
    Host.Check(AddOns.GetBarcodeInfo(2, 0) == 32 && AddOns.GetBarcodeInfo(2, 1) == 1024, "formats");
    Host.Check(AddOns.GetBarcodeInfo(5, 1) == 5, "the second text is five bytes long");
    Host.Check(AddOns.GetBarcodePoints(0) == "10,20 110,20 110,60 10,60", "points: " + AddOns.GetBarcodePoints(0));
    Host.Check(AddOns.GetBarcodeInfo(0, 0) == 10 && AddOns.GetBarcodeInfo(1, 0) == 20, "the first point as info");
    Host.Check(AddOns.GetBarcodePoints(1) == "", "the second reported no points");
    Host.Check(AddOns.GetBarcodeText(2) == "" && Lumetta.ErrorCode == -1033, "no third barcode");

    // An image of the buffer, downloaded first: a region of it goes to the library as PNG.
    Host.Check(Lumetta.HTTPDownload(server, "/dl/image.png") == true, "image download " + Lumetta.ErrorCode);
    Host.Check(AddOns.ReadBarcodeEx(0, 0, 0, 32, 24, 3) == true, "read a region " + Lumetta.ErrorCode);
    Host.Check(AddOns.BarcodeCount() == 2, "the region's barcodes");
    Host.Check(AddOns.ReadBarcode(5, 0) == false && Lumetta.ErrorCode != 0, "no image at index 5");

    // Recognition needs the language data, which a language pack brings.
    AddOns.SetDataFolder("@WORK@\\ocr");
    AddOns.SetResultFormat(0);
    Host.Check(AddOns.OCRDirectlyEx("C:\\page.tif") == "" && Lumetta.ErrorCode == -2120, "no language data yet");
    Host.Check(Lumetta.ErrorString.indexOf("eng.traineddata") > 0, "the missing file is named: " + Lumetta.ErrorString);
    Host.Check(AddOns.HTTPDownloadOCRLangData(server, "/dl/lang/eng.zip", true) == 1,
               "language pack " + Lumetta.ErrorCode + " " + Lumetta.ErrorString);
    var text = AddOns.OCRDirectlyEx("C:\\page.tif");
    Host.Check(text.indexOf("files=1 [C:\\page.tif] format=0 data=@WORK@\\ocr\\ lang=eng ") == 0, "recognised: " + text);
    text = AddOns.OCREx(0);
    Host.Check(text.indexOf("images=1 bytes=") == 0 && text.indexOf(" tiff ") > 0, "the buffer image as TIFF: " + text);

    // A hostile pack is refused and leaves the installed language as it was.
    AddOns.SetDataFolder("@WORK@\\hostile");
    Host.Check(AddOns.HTTPDownloadOCRLangData(server, "/dl/lang/dotdot.zip", false) == 0 && Lumetta.ErrorCode == -2120,
               "a pack with ..\\ is refused " + Lumetta.ErrorCode);
    Host.Check(Lumetta.ErrorString == "Failed(0) to unzip the specified file \"@WORK@\\hostile\\eng.zip\"",
               Lumetta.ErrorString);
    Host.Check(AddOns.OCRDirectlyEx("C:\\page.tif") == "", "and installs nothing, not even its good entry");
    AddOns.SetLanguage("..\\eng");
    Host.Check(Lumetta.ErrorCode == -1034 && AddOns.Language() == "eng", "a language that leaves the folder");

    // The long operations raised their operate events with their own names.
    var names = "," + operations.join(",") + ",";
    Host.Check(names.indexOf(",ReadBarcodeDirectlyEx,") >= 0 && names.indexOf(",ReadBarcodeEx,") >= 0 &&
               names.indexOf(",OCRDirectlyEx,") >= 0 && names.indexOf(",OCREx,") >= 0, "operations: " + names);
}
