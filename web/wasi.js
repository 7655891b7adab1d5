// Runs the drill, compiled to WebAssembly as a WASI command and made
// JavaScript from it by wasm2js, in the page: any browser runs it, those
// that refuse WebAssembly under the page's policy or predate it included.
// runDrill(write, read, now) starts one run in a fresh instance: the
// program's state starts anew each time. Output goes to write(fd, bytes) as
// it is written; a read of standard input calls read(max, deliver), and
// deliver(bytes) hands over at most max bytes, none meaning end of input; the
// clock reads now() (Date.now when not given), in milliseconds.
// Resolves to the exit status; rejects if the program traps.
//
// A read that must wait sleeps through Asyncify: the read unwinds the call
// stack into memory and _start returns; deliver enters _start again, which
// rewinds to the same read, and that read takes the bytes. Only the
// functions on the way from _start to the read are instrumented
// (asyncify-only.json).
'use strict';
var runDrill = (function () {
  var EBADF = 8, ESPIPE = 70; // WASI's numbers
  var UNWINDING = 1, REWINDING = 2; // asyncify_get_state()
  var STACK = 4096; // room for the saved frames of a sleeping read
  // The program: instantiate(imports) gives the exports of a fresh instance.
  @IONDRILL_DRILL@

  function Exit(status) {
    this.status = status;
  }

  return function runDrill(write, read, now) {
    return Promise.resolve().then(function () {
      return new Promise(function (resolve, reject) {
        var exports = null, sleep = 0, delivered = null;
        var u32 = function () { return new Uint32Array(exports.memory.buffer); };
        var u8 = function () { return new Uint8Array(exports.memory.buffer); };

        // The program runs from here until it exits or a read sleeps.
        function enter() {
          try {
            exports._start();
            if (exports.asyncify_get_state() === UNWINDING) {
              exports.asyncify_stop_unwind();
              return;
            }
            resolve(0);
          } catch (e) {
            if (e instanceof Exit) resolve(e.status);
            else reject(e);
          }
        }

        function fdRead(fd, iov, iovcnt, pnum) {
          if (fd !== 0) return EBADF;
          var mem = u32(), bufs = [], max = 0;
          for (var i = 0; i < iovcnt; i++, iov += 8) {
            var buf = {ptr: mem[iov >> 2], len: mem[(iov + 4) >> 2]};
            bufs.push(buf);
            max += buf.len;
          }
          if (exports.asyncify_get_state() === REWINDING) {
            exports.asyncify_stop_rewind();
          } else {
            var waiting = false;
            read(max, function (bytes) {
              delivered = bytes;
              if (waiting) {
                exports.asyncify_start_rewind(sleep);
                enter();
              }
            });
            if (!delivered) {
              waiting = true;
              sleep = sleep || exports.malloc(8 + STACK);
              mem = u32();
              mem[sleep >> 2] = sleep + 8;
              mem[(sleep + 4) >> 2] = sleep + 8 + STACK;
              exports.asyncify_start_unwind(sleep);
              return 0;
            }
          }
          var bytes = delivered, at = 0, heap = u8();
          delivered = null;
          bufs.forEach(function (buf) {
            var part = bytes.subarray(at, at + buf.len);
            heap.set(part, buf.ptr);
            at += part.length;
          });
          u32()[pnum >> 2] = at;
          return 0;
        }

        function fdWrite(fd, iov, iovcnt, pnum) {
          var mem = u32(), num = 0;
          for (var i = 0; i < iovcnt; i++, iov += 8) {
            var ptr = mem[iov >> 2], len = mem[(iov + 4) >> 2];
            write(fd, u8().subarray(ptr, ptr + len));
            num += len;
          }
          u32()[pnum >> 2] = num;
          return 0;
        }

        // 64-bit values come as two 32-bit halves, low first, so that no
        // browser needs BigInt for them.
        function clockTimeGet(id, precisionLow, precisionHigh, ptr) {
          var ns = (now || Date.now)() * 1e6, high = Math.floor(ns / 4294967296);
          var mem = u32();
          mem[ptr >> 2] = ns - high * 4294967296;
          mem[(ptr + 4) >> 2] = high;
          return 0;
        }

        exports = instantiate({
          fd_read: fdRead,
          fd_write: fdWrite,
          fd_seek: function () { return ESPIPE; }, // as a terminal's streams
          fd_close: function () { return 0; },
          clock_time_get: clockTimeGet,
          proc_exit: function (status) { throw new Exit(status); },
          abort: function () { throw new Error('the drill trapped'); },
        });
        enter();
      });
    });
  };
})();
