// Downloads and FTP through the control: a JPEG and a PNG into the buffer, a file straight to
// disk, an FTP upload read back. @HTTP_PORT@, @FTP_PORT@ and @WORK@ are filled in by the runner.
var changes = 0, percents = 0;
function Lumetta_OnBitmapChanged() { changes++; }
function Lumetta_OnInternetTransferPercentage(percent, cancel) { percents++; return false; }

function main() {
    var server = "127.0.0.1";
    Lumetta.IfShowCancelDialogWhenImageTransfer = false;
    Lumetta.HTTPPort = parseInt("@HTTP_PORT@", 10);
    Lumetta.FTPPort = parseInt("@FTP_PORT@", 10);
    Lumetta.FTPUserName = "lumetta";
    Lumetta.FTPPassword = "s3cret";

    Host.Check(Lumetta.HTTPDownload(server, "/dl/image.jpg") == true, "JPEG download " + Lumetta.ErrorCode);
    Host.Check(Lumetta.HowManyImagesInBuffer == 1 && Lumetta.GetImageWidth(0) == 64 && Lumetta.GetImageHeight(0) == 48,
               "the JPEG is in the buffer");
    Host.Check(changes == 1, "one OnBitmapChanged for the download: " + changes);
    // The name says JPEG, the bytes say PNG: the bytes win.
    Host.Check(Lumetta.HTTPDownloadEx(server, "/dl/image.png", 1) == true, "PNG download " + Lumetta.ErrorCode);
    Host.Check(Lumetta.HowManyImagesInBuffer == 2 && Lumetta.GetImageWidth(1) == 64, "the PNG is in the buffer");
    Host.Check(Lumetta.HTTPDownload(server, "/dl/missing.jpg") == false && Lumetta.ErrorCode == -2003,
               "a 404 fails with -2003");
    Host.Check(Lumetta.HTTPPostResponseString.indexOf("Not Found") > 0, "and keeps the page's text");
    Host.Check(Lumetta.HTTPDownload(server, "/dl/image") == false && Lumetta.ErrorCode == -1110,
               "a remote name without a type sends nothing");

    var local = "@WORK@\\direct\\copy.png";
    Host.Check(Lumetta.HTTPDownloadDirectly(server, "/dl/image.png", local) == true, "direct download " + Lumetta.ErrorCode);
    Host.Check(Lumetta.LoadImage(local) == true && Lumetta.HowManyImagesInBuffer == 3, "the written file loads");
    var tooLong = "@WORK@\\"; while (tooLong.length < 259) tooLong += "x";
    Host.Check(Lumetta.HTTPDownloadDirectly(server, "/dl/image.png", tooLong) == false && Lumetta.ErrorCode == -1034,
               "a local path of 259 characters is refused");

    Host.Check(Lumetta.FTPUpload(server, 1, "from_page.png") == true, "FTP upload " + Lumetta.ErrorCode);
    Lumetta.IfPASVMode = false;
    Host.Check(Lumetta.FTPDownload(server, "from_page.png") == true, "FTP download in active mode " + Lumetta.ErrorCode);
    Host.Check(Lumetta.HowManyImagesInBuffer == 4 && Lumetta.GetImageWidth(3) == 64 && Lumetta.GetImageHeight(3) == 48,
               "the uploaded image came back");
    Host.Check(Lumetta.FTPUploadDirectly(server, local, "direct.png") == true, "FTP upload of a file " + Lumetta.ErrorCode);
    Host.Check(Lumetta.FTPDownloadDirectly(server, "missing.png", local) == false && Lumetta.ErrorCode <= -3000,
               "a missing FTP file: " + Lumetta.ErrorCode);

    Lumetta.SetCookie("a=1\r\nX-Injected: 1");
    Host.Check(Lumetta.ErrorCode == -1034, "a cookie with a line break is refused");
    Host.Check(Lumetta.BindSSLCertEx("no such subject anywhere") == false && Lumetta.ErrorCode == -2114,
               "no certificate: -2114");
    Host.Check(percents > 0, "progress events reached the page");
    Host.Echo("transfers page done");
}
