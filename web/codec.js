// The bytes of a file and the text the page shows for them, one-to-one, so
// that a file run from the editor is the file that was loaded, byte for byte.
//
// UTF-8 text is shown as it is. A NUL byte is shown as ␀ and a carriage
// return as ↵ (a text area would otherwise drop both), and any byte that is
// not part of valid UTF-8 as one character of U+F700 to U+F7FF. Those
// characters, when the file itself holds them, are shown byte by byte the
// same way, so that the mapping has no collisions; typing ␀ or ↵ in the
// editor gives the byte.
export const SHOWN_NUL = 0x2400;
export const SHOWN_CR = 0x21b5;
const RAW_BYTE = 0xf700;

export function isShownSpecially(codePoint) {
  return codePoint === SHOWN_NUL || codePoint === SHOWN_CR ||
         (codePoint >= RAW_BYTE && codePoint <= RAW_BYTE + 0xff);
}

// The code point of the valid UTF-8 sequence at bytes[i], and its length;
// null when none starts there.
function utf8At(bytes, i) {
  const b = bytes[i];
  let length;
  let codePoint;
  let least;
  if (b < 0x80) return [b, 1];
  if (b >= 0xc2 && b <= 0xdf) [length, codePoint, least] = [2, b & 0x1f, 0x80];
  else if (b >= 0xe0 && b <= 0xef) [length, codePoint, least] = [3, b & 0x0f, 0x800];
  else if (b >= 0xf0 && b <= 0xf4) [length, codePoint, least] = [4, b & 0x07, 0x10000];
  else return null;
  if (i + length > bytes.length) return null;
  for (let k = 1; k < length; ++k) {
    const c = bytes[i + k];
    if ((c & 0xc0) !== 0x80) return null;
    codePoint = (codePoint << 6) | (c & 0x3f);
  }
  if (codePoint < least || codePoint > 0x10ffff) return null;
  if (codePoint >= 0xd800 && codePoint <= 0xdfff) return null;
  return [codePoint, length];
}

// The text shown for a file's bytes (a Uint8Array).
export function bytesToText(bytes) {
  const parts = [];
  let run = [];
  const flush = () => {
    if (run.length) parts.push(String.fromCodePoint(...run));
    run = [];
  };
  for (let i = 0; i < bytes.length;) {
    const b = bytes[i];
    if (b >= 0x20 && b < 0x80 || b === 0x0a || b === 0x09) {
      run.push(b);  // the common case, first
      ++i;
    } else if (b === 0) {
      run.push(SHOWN_NUL);
      ++i;
    } else if (b === 0x0d) {
      run.push(SHOWN_CR);
      ++i;
    } else {
      const found = utf8At(bytes, i);
      if (found && !isShownSpecially(found[0])) {
        run.push(found[0]);
        i += found[1];
      } else {
        const length = found ? found[1] : 1;
        for (let k = 0; k < length; ++k) run.push(RAW_BYTE + bytes[i + k]);
        i += length;
      }
    }
    if (run.length >= 4096) flush();
  }
  flush();
  return parts.join('');
}

// The bytes of a file shown as text: the inverse of bytesToText.
export function textToBytes(text) {
  const encoder = new TextEncoder();
  const chunks = [];
  let start = 0;
  const flushUpTo = (end) => {
    if (end > start) chunks.push(encoder.encode(text.slice(start, end)));
  };
  for (let i = 0; i < text.length; ++i) {
    const c = text.charCodeAt(i);
    if (!isShownSpecially(c)) continue;
    flushUpTo(i);
    chunks.push(Uint8Array.of(c === SHOWN_NUL ? 0 : c === SHOWN_CR ? 0x0d : c - RAW_BYTE));
    start = i + 1;
  }
  flushUpTo(text.length);
  let size = 0;
  for (const chunk of chunks) size += chunk.length;
  const bytes = new Uint8Array(size);
  let at = 0;
  for (const chunk of chunks) {
    bytes.set(chunk, at);
    at += chunk.length;
  }
  return bytes;
}

// The bytes of a string that holds one character per byte (the trace's and
// the bundled files' form).
export function latin1Bytes(text) {
  const bytes = new Uint8Array(text.length);
  for (let i = 0; i < text.length; ++i) bytes[i] = text.charCodeAt(i);
  return bytes;
}
