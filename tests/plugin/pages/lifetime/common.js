// What every lifetime page shares (lifetime_page.sh puts it before the page, after
// tests/support/pages/page_bytes.js): a picture made by the page, the test camera selected, and the
// removal of the element from inside a handler, once.
var removed = false;
function removeElement() {
    if (removed) return;
    removed = true;
    Host.Destroy();
}

function loadPicture(width, height) {
    Lumetta.IfShowUI = false;
    var bmp = makeBmp(width, height);
    Host.Check(Lumetta.LoadImageFromBytes(bmp.length, bmp, 0), "a picture from bytes: " + Lumetta.ErrorCode);
}

// After the page removed the element the call it ran inside has returned: the page goes on.
function afterRemoval(what) {
    Host.Check(removed, "the element was removed inside " + what);
    Host.Wait(300);
    Host.Echo("the page goes on after " + what);
}

// The test camera selected, with or without its own preview; its index in the source list.
function selectTestCamera(showUI) {
    if (Host.Name == "control") Lumetta.IfThrowException = false;
    Lumetta.IfShowUI = showUI;
    var camera = -1;
    for (var i = 0; i < Lumetta.SourceCount; ++i)
        if (Lumetta.GetSourceNameItems(i).indexOf("Lumetta Test Camera") >= 0) camera = i;
    Host.Check(camera >= 0, "the test camera is listed");
    Host.Check(Lumetta.SelectSourceByIndex(camera), "the test camera selected: " + Lumetta.ErrorCode);
    return camera;
}
