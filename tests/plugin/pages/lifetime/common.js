// What every lifetime page shares (lifetime_page.sh puts it before the page, after
// tests/support/pages/page_bytes.js): a picture made by the page, and the removal of the element
// from inside a handler, once.
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
