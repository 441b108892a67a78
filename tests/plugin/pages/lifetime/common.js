// What every lifetime page shares (lifetime_page.sh puts it before the page): a picture made by
// the page, and the removal of the element from inside a handler, once.
var removed = false;
function removeElement() {
    if (removed) return;
    removed = true;
    Host.Destroy();
}

function le(b, v, n) { for (var i = 0; i < n; i++) b.push((v >> (8 * i)) & 255); }
// A 24-bit BMP with a pattern, as the format describes it (54 bytes of headers, rows padded to 4).
function makeBmp(width, height) {
    var stride = Math.floor((width * 24 + 31) / 32) * 4, b = [66, 77];
    le(b, 54 + stride * height, 4); le(b, 0, 4); le(b, 54, 4);
    le(b, 40, 4); le(b, width, 4); le(b, height, 4); le(b, 1, 2); le(b, 24, 2);
    le(b, 0, 4); le(b, stride * height, 4); le(b, 2835, 4); le(b, 2835, 4); le(b, 0, 4); le(b, 0, 4);
    for (var y = 0; y < height; y++)
        for (var x = 0; x < stride; x++) b.push((x * 7 + y * 3) & 255);
    return b;
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
