// The demo page: acquires from the test scanner and the test camera, edits, saves in four formats
// and uploads to a loopback server, telling what happened. tools/demo runs it twice: against the
// control in the page host and against the plug-in in the browser harness (Host.Name tells which;
// events reach the global functions Lumetta_<event> in both). It fills in @HTTP_PORT@ and @OUT@
// (a Windows folder, ending in a backslash).
var allTransfersDone = false, uploadPercents = [];
function Lumetta_OnPostAllTransfers() { allTransfersDone = true; }
// The control also hands a cancel flag; the plug-in gives the percent only.
function Lumetta_OnInternetTransferPercentage(percent) { uploadPercents.push(percent); return false; }

function say(text) { Host.Echo("demo: " + text); }
function waitUntil(done, ms) { for (var t = 0; t < ms && !done(); t += 100) Host.Wait(100); return done(); }
function report(what, ok) {
    say(what + (ok ? ": ok" : ": failed, error " + Lumetta.ErrorCode + " " + Lumetta.ErrorString));
    return ok;
}

function sourceIndex(part) {
    for (var i = 0; i < Lumetta.SourceCount; i++)
        if (Lumetta.GetSourceNameItems(i).indexOf(part) >= 0) return i;
    return -1;
}

function acquire(label, part) {
    var index = sourceIndex(part);
    if (index < 0) { say(label + ": no source named like \"" + part + "\" in the list"); return; }
    var before = Lumetta.HowManyImagesInBuffer;
    allTransfersDone = false;
    if (!report(label + ": select \"" + Lumetta.GetSourceNameItems(index) + "\"", Lumetta.SelectSourceByIndex(index))) return;
    if (!report(label + ": acquire", Lumetta.EnableSource())) return;
    waitUntil(function () { return allTransfersDone || Lumetta.HowManyImagesInBuffer > before; }, 15000);
    Host.Wait(300);
    say(label + ": " + (Lumetta.HowManyImagesInBuffer - before) + " image(s) arrived");
}

function main() {
    var out = "@OUT@";
    say("host: " + Host.Name);
    Lumetta.IfShowUI = false;
    if (Host.Name == "control") Lumetta.IfThrowException = false;  // the plug-in never throws
    Lumetta.SupportedDeviceType = 2;  // scanners and cameras in one list (the plug-in's page: cameras)
    Lumetta.IfShowCancelDialogWhenImageTransfer = false;
    Host.Resize(780, 550);       // the viewer takes the whole page
    Lumetta.SetViewMode(3, 1);   // three thumbnails side by side
    var names = [];
    for (var i = 0; i < Lumetta.SourceCount; i++) names.push(Lumetta.GetSourceNameItems(i));
    say("sources: " + names.join(", "));
    acquire("scanner", "Lumetta Test Scanner");
    acquire("camera", "Lumetta Test Camera");
    var count = Lumetta.HowManyImagesInBuffer;
    say("images in the buffer: " + count);
    if (count == 0) return;

    report("rotate image 0 by 90 degrees", Lumetta.RotateEx(0, 90, false, 3));
    Lumetta.CreateTextFont(28, 0, 0, 0, 700, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
    report("text overlay on image 0", Lumetta.AddText(0, 4, 4, "Lumetta demo", 0x0000FF, 0xFFFFFF, 4, 0.7));
    say("image 0 is " + Lumetta.GetImageWidth(0) + " x " + Lumetta.GetImageHeight(0) + " at " +
        Lumetta.GetImageBitDepth(0) + " bits");
    report("save " + out + "image.bmp", Lumetta.SaveAsBMP(out + "image.bmp", 0));
    Lumetta.JPEGQuality = 85;
    report("save " + out + "image.jpg", Lumetta.SaveAsJPEG(out + "image.jpg", 0));
    report("save " + out + "image.png", Lumetta.SaveAsPNG(out + "image.png", 0));
    report("save " + out + "all.tif (" + count + " pages)", Lumetta.SaveAllAsMultiPageTIFF(out + "all.tif"));

    Lumetta.HTTPPort = parseInt("@HTTP_PORT@", 10);
    Lumetta.SetHTTPFormField("source", "demo page");
    report("HTTP POST of image 0 as JPEG", Lumetta.HTTPUploadThroughPost("127.0.0.1", 0, "/empty", "image.jpg"));
    report("HTTP POST of all images as a multi-page TIFF",
           Lumetta.HTTPUploadAllThroughPostAsMultiPageTIFF("127.0.0.1", "/empty", "all.tif"));
    say("upload progress events: " + uploadPercents.length + ", the last at " + uploadPercents[uploadPercents.length - 1] + "%");
    Lumetta.CurrentImageIndexInBuffer = 0;
    Host.Wait(500);
    Host.Wait(2500);
    say("done");
}
