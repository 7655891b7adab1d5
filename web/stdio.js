// The drill's standard streams in a web page (emcc --js-library). Every write
// goes to the page at once: emscripten's own keeps a partial line back, which
// would hide the prompt "How many questions? ". A read of standard input takes
// what the page has queued or sleeps, through Asyncify, until the learner
// sends a line. The page gives the module consoleWrite(fd, bytes) and
// consoleRead(max, deliver), where deliver(bytes) with no bytes is end of input.
// The empty __deps and __postset replace those of emscripten's own fd_write,
// which would pull in its buffered printing that this one does without.
mergeInto(LibraryManager.library, {
  fd_write__sig: 'iiiii',
  fd_write__deps: [],
  fd_write__postset: '',
  fd_write: function (fd, iov, iovcnt, pnum) {
    var num = 0;
    for (var i = 0; i < iovcnt; i++, iov += 8) {
      var ptr = HEAPU32[iov >> 2], len = HEAPU32[(iov + 4) >> 2];
      Module['consoleWrite'](fd, HEAPU8.subarray(ptr, ptr + len));
      num += len;
    }
    HEAPU32[pnum >> 2] = num;
    return 0;
  },

  fd_read__sig: 'iiiii',
  fd_read__deps: ['$Asyncify'],
  fd_read: function (fd, iov, iovcnt, pnum) {
    if (fd !== 0) return 8; // EBADF: the drill reads nothing else
    var bufs = [], max = 0;
    for (var i = 0; i < iovcnt; i++, iov += 8) {
      var buf = {ptr: HEAPU32[iov >> 2], len: HEAPU32[(iov + 4) >> 2]};
      bufs.push(buf);
      max += buf.len;
    }
    return Asyncify.handleSleep(function (wakeUp) {
      Module['consoleRead'](max, function (bytes) {
        var at = 0;
        bufs.forEach(function (buf) {
          var part = bytes.subarray(at, at + buf.len);
          HEAPU8.set(part, buf.ptr);
          at += part.length;
        });
        HEAPU32[pnum >> 2] = at;
        wakeUp(0);
      });
    });
  },
});
