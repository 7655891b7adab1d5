// The page is the drill's console: it shows what the drill writes, echoes each
// line the learner sends inside <kbd>, so that typed text and output stay
// apart, and hands the drill the typed lines, queued as a terminal queues them.
// Like a terminal's scrollback, the log keeps every run: a new one begins
// below the last, after a rule. The tab keeps each run (sessionStorage), so
// that a reload, or a phone putting the page away, loses nothing of it: on
// load the runs come back, each played again with the input and clock it had
// and shown only if the drill wrote the same; the unfinished one goes on.
'use strict';
(function () {
  var log = document.getElementById('log');
  var form = document.getElementById('console');
  var field = document.getElementById('line');
  var ended = document.getElementById('ended');
  var status = document.getElementById('status');
  var stderr = document.getElementById('stderr');
  var again = document.getElementById('again');
  var current = null; // the run that owns the field
  var runs = 0; // how many the tab keeps
  var LOST = 'The answers this tab kept could not be brought back, so a new run has begun.';
  var UNKEPT = 'This browser does not let the page keep your answers: a reload would lose them.';

  // The tab's storage, under this page's address; null where it is refused
  // or has filled up. A record that could not be written is removed, so that
  // no stale one comes back.
  var prefix = 'iondrill ' + location.pathname + ' ';
  var storage = null;
  try {
    storage = window.sessionStorage;
    storage.getItem(prefix);
  } catch (e) {
    storage = null;
  }
  function keep(index, record) {
    try {
      if (storage) storage.setItem(prefix + index, JSON.stringify(record));
    } catch (e) {
      forget(index);
      storage = null;
      status.textContent = UNKEPT;
    }
  }
  function forget(from) {
    try {
      for (var i = from; storage && storage.getItem(prefix + i) !== null; i++) storage.removeItem(prefix + i);
    } catch (e) {
      storage = null;
    }
  }

  // A fresh run below the last. The end of the last one stays until the new
  // one's first line is sent: hiding the focused button now would leave a
  // screen reader's focus behind, out of the field.
  function start() {
    if (current && !current.over) {
      field.focus();
      return;
    }
    current = run(runs++, {events: [], clock: [], end: null, field: ''});
    field.disabled = false;
    field.value = '';
    field.focus();
  }

  // The log as blocks: each sent line begins one, and what the drill writes
  // in reply goes into the same block, so that a screen reader speaks the
  // echo and the verdict as one, in order. Blocks go in chunks of 64 that the
  // page lays out on their own: a new line costs the same however long the
  // log has grown. Gives put(node, newBlock).
  function view(runLog) {
    var block = null, chunk = null, scrollDue = false;
    return function put(node, newBlock) {
      if (!block || newBlock) {
        if (!chunk || chunk.childElementCount >= 64) {
          chunk = document.createElement('div');
          runLog.append(chunk);
        }
        block = document.createElement('div');
        chunk.append(block);
      }
      block.append(node);
      // Scrolled once a frame: reading scrollHeight here would lay out the
      // whole log at every write.
      if (!scrollDue) {
        scrollDue = true;
        requestAnimationFrame(function () {
          scrollDue = false;
          log.scrollTop = log.scrollHeight;
        });
      }
    };
  }

  function echo(line) {
    var kbd = document.createElement('kbd');
    kbd.textContent = line;
    return kbd;
  }

  // Run number `index` of the tab, in a module instance of its own: the
  // program's state starts fresh each time. `record` is what the tab keeps
  // of it: events in the order the log shows them ([0, output], [1, a sent
  // line], [2] for the end of input), the clock's readings, and how it ended.
  // A record with events is one taken up after a reload: its input goes to
  // the instance again, the clock gives the readings again, and only once
  // the drill has written just what was shown and waits (or ended as it did)
  // does the run go on the page; otherwise `lost` is called. `after` is
  // called once the run has ended.
  function run(index, record, lost, after) {
    var decoders = {1: new TextDecoder(), 2: new TextDecoder()};
    var output = '', errors = '', flushDue = false, saveDue = false;
    var typed = new Uint8Array(0), inputEnded = false, reader = null, ticks = 0;
    var put = null; // once the run is on the page
    var shown = '';
    var self = {send: send, endInput: endInput, save: save, over: false};

    record.events.forEach(function (e) {
      if (e[0] === 0) shown += e[1];
      else if (e[0] === 1) queue(e[1]);
      else inputEnded = true;
    });
    if (!record.events.length) show();

    function show() {
      if (log.lastChild) log.append(document.createElement('hr'));
      var runLog = document.createElement('div');
      runLog.className = 'run';
      log.append(runLog);
      put = view(runLog);
      record.events.forEach(function (e) {
        if (e[0] !== 2) put(e[0] ? echo(e[1]) : e[1], e[0] === 1);
      });
    }

    // What a taken-up run has written so far, held against what was shown.
    function replayed(code) {
      output += decoders[1].decode();
      var same = output === shown && (code === null ? record.end === null
        : record.end !== null && record.end[0] === code && record.end[1] === errors);
      output = '';
      if (!same) {
        reader = null;
        lost();
        return;
      }
      show();
      if (code === null) {
        ended.hidden = true;
        status.textContent = '';
        field.disabled = false;
        field.value = record.field;
        field.focus();
      }
    }

    // Saved once the task is over, when the drill has written its reply.
    function note(event) {
      record.events.push(event);
      if (!saveDue) {
        saveDue = true;
        setTimeout(save);
      }
    }

    function save() {
      saveDue = false;
      record.field = self === current ? field.value : '';
      keep(index, record);
    }

    function now() {
      if (ticks < record.clock.length) return record.clock[ticks++];
      ticks++;
      record.clock.push(Date.now());
      return record.clock[ticks - 1];
    }

    // Output goes on the page once per task, not once per write: a run of
    // many queued answers would otherwise spend its time laying out the log.
    function flush() {
      flushDue = false;
      if (output && put) {
        put(output, false);
        note([0, output]);
        output = '';
      }
    }

    function consoleWrite(fd, bytes) {
      var text = decoders[fd].decode(bytes, {stream: true});
      if (fd !== 1) {
        errors += text;
      } else if (text) {
        output += text;
        if (!flushDue) {
          flushDue = true;
          Promise.resolve().then(flush); // a microtask, in browsers before queueMicrotask too
        }
      }
    }

    // Hands the waiting read what has been typed, up to what it asked for;
    // nothing at all once the input has ended.
    function feed() {
      if (reader && (typed.length || inputEnded)) {
        var read = reader, bytes = typed.subarray(0, read.max);
        reader = null;
        typed = typed.subarray(bytes.length);
        read.deliver(bytes); // the drill may run on from here, and read again
      }
    }

    function consoleRead(max, deliver) {
      reader = {max: max, deliver: deliver};
      if (!put && !typed.length && !inputEnded) replayed(null);
      feed();
    }

    function queue(line) {
      var bytes = new TextEncoder().encode(line), all = new Uint8Array(typed.length + bytes.length);
      all.set(typed);
      all.set(bytes, typed.length);
      typed = all;
    }

    function send(text, endOfLine) {
      var line = text + (endOfLine ? '\n' : '');
      ended.hidden = true;
      status.textContent = '';
      if (line) {
        flush();
        put(echo(line), true);
        note([1, line]);
        queue(line);
      }
      feed();
    }

    function endInput() {
      inputEnded = true;
      note([2]);
      field.disabled = true;
      feed();
    }

    function finish(code) {
      errors += decoders[2].decode();
      if (!put) {
        replayed(code);
        if (!put) return;
      } else {
        output += decoders[1].decode();
        flush();
        record.end = [code, errors];
        save();
      }
      self.over = true;
      field.disabled = true;
      status.textContent = 'The drill has ended.' + (code ? ' It exited with status ' + code + '.' : '');
      stderr.textContent = errors;
      stderr.hidden = !errors;
      ended.hidden = false;
      again.focus();
      if (after) after();
    }

    runDrill(consoleWrite, consoleRead, now).then(finish, function (e) {
      errors += String(e) + '\n';
      finish(1);
    });
    return self;
  }

  // The runs the tab kept, taken up one after another; a fresh run if there
  // are none. One that cannot be brought back is forgotten with all after it.
  function restore() {
    var records = [];
    try {
      for (var text; storage && (text = storage.getItem(prefix + records.length)) !== null;) {
        records.push(JSON.parse(text));
      }
    } catch (e) {
      records.push(null);
    }
    (function next(i) {
      if (i === records.length) {
        if (!i) start();
        return;
      }
      var lost = function () {
        forget(i);
        runs = i;
        current = null;
        start();
        status.textContent = LOST;
      };
      // Only the last run can be unfinished.
      if (!valid(records[i]) || (!records[i].end && i + 1 < records.length)) return lost();
      runs = i + 1;
      field.disabled = true; // until the run is on the page
      current = run(i, records[i], lost, function () { next(i + 1); });
    })(0);
    if (!storage) status.textContent = UNKEPT;
  }

  function valid(r) {
    var text = function (t) { return typeof t === 'string'; };
    return !!r && Array.isArray(r.events) && Array.isArray(r.clock) && text(r.field) &&
      r.events.every(function (e) {
        return Array.isArray(e) && (e[0] === 2 || ((e[0] === 0 || e[0] === 1) && text(e[1])));
      }) &&
      r.clock.every(function (t) { return typeof t === 'number'; }) &&
      (r.end === null || (Array.isArray(r.end) && typeof r.end[0] === 'number' && text(r.end[1])));
  }

  // What is typed leaves the field as it goes to the drill.
  function take() {
    var text = field.value;
    field.value = '';
    return text;
  }

  form.addEventListener('submit', function (e) {
    e.preventDefault();
    current.send(take(), true);
  });

  // Ctrl-D, as at a terminal: what is typed goes without a line break, and
  // the input ends.
  field.addEventListener('keydown', function (e) {
    if (e.ctrlKey && !e.altKey && !e.metaKey && (e.key === 'd' || e.key === 'D')) {
      e.preventDefault();
      current.send(take(), false);
      current.endInput();
    }
  });

  // A paste that holds line breaks goes as a terminal takes it: each whole
  // line is sent, and what follows the last break stays in the field.
  field.addEventListener('paste', function (e) {
    var text = e.clipboardData ? e.clipboardData.getData('text/plain') : '';
    if (!/[\r\n]/.test(text)) return;
    e.preventDefault();
    var lines = (field.value.slice(0, field.selectionStart) + text +
                 field.value.slice(field.selectionEnd)).split(/\r\n|\r|\n/);
    field.value = lines.pop();
    lines.forEach(function (line) { current.send(line, true); });
  });

  // An on-screen keyboard shrinks what is visible: keep the newest line and
  // the field in view.
  if (window.visualViewport) {
    window.visualViewport.addEventListener('resize', function () {
      log.scrollTop = log.scrollHeight;
      (field.disabled ? again : field).scrollIntoView({block: 'nearest'});
    });
  }

  // A page put away may never come back: what is typed is kept then too.
  function putAway() {
    if (current && !current.over) current.save();
  }
  window.addEventListener('pagehide', putAway);
  document.addEventListener('visibilitychange', function () {
    if (document.visibilityState === 'hidden') putAway();
  });
  again.addEventListener('click', start);
  // The first words come once the page has loaded: a screen reader takes
  // what a page holds as it loads for the page itself, and announces only
  // what comes after.
  if (document.readyState === 'complete') restore();
  else window.addEventListener('load', restore);
})();
