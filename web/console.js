// The page is the drill's console: it shows what the drill writes, echoes each
// line the learner sends inside <kbd>, so that typed text and output stay
// apart, and hands the drill the typed lines, queued as a terminal queues them.
// Like a terminal's scrollback, the log keeps every run: a new one begins
// below the last, after a rule.
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

  function start() {
    if (log.lastChild) log.append(document.createElement('hr'));
    var runLog = document.createElement('div');
    runLog.className = 'run';
    log.append(runLog);
    ended.hidden = true;
    status.textContent = '';
    field.disabled = false;
    field.value = '';
    field.focus();
    current = run(runLog);
  }

  // One run of the drill, in a module instance of its own: the program's
  // state starts fresh each time.
  function run(runLog) {
    var decoders = {1: new TextDecoder(), 2: new TextDecoder()};
    var output = '', errors = '', flushDue = false;
    var typed = new Uint8Array(0), inputEnded = false, reader = null;
    var block = null, chunk = null, scrollDue = false;

    // The log is a block for each stretch of text that begins a line, in
    // chunks of 64 blocks that the page lays out on their own: a new line
    // costs the same however long the log has grown.
    function put(node) {
      if (!block || block.textContent.endsWith('\n')) {
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
    }

    // Output goes on the page once per task, not once per write: a run of
    // many queued answers would otherwise spend its time laying out the log.
    function flush() {
      flushDue = false;
      if (output) {
        put(output);
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
          queueMicrotask(flush);
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
      feed();
    }

    function send(text, endOfLine) {
      var line = text + (endOfLine ? '\n' : '');
      if (line) {
        flush();
        var kbd = document.createElement('kbd');
        kbd.textContent = line;
        put(kbd);
        var bytes = new TextEncoder().encode(line), all = new Uint8Array(typed.length + bytes.length);
        all.set(typed);
        all.set(bytes, typed.length);
        typed = all;
      }
      feed();
    }

    function endInput() {
      inputEnded = true;
      field.disabled = true;
      feed();
    }

    function finish(code) {
      errors += decoders[2].decode();
      output += decoders[1].decode();
      flush();
      field.disabled = true;
      status.textContent = 'The drill has ended.' + (code ? ' It exited with status ' + code + '.' : '');
      stderr.textContent = errors;
      stderr.hidden = !errors;
      ended.hidden = false;
      again.focus();
    }

    runDrill(consoleWrite, consoleRead).then(finish, function (e) {
      errors += String(e) + '\n';
      finish(1);
    });
    return {send: send, endInput: endInput};
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

  again.addEventListener('click', start);
  start();
})();
