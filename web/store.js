// The browser's keeping of the student's work (localStorage): the editor's
// text of each source (an example, an exercise, an uploaded file, a link),
// saved as it is typed; the original text of sources the page cannot make
// again (uploads, links); which source was open last.
const PREFIX = 'raeval:';

function get(key) {
  try {
    return localStorage.getItem(PREFIX + key);
  } catch {
    return null;  // storage switched off: nothing is kept
  }
}

// False when the browser refused (storage full or switched off).
function put(key, value) {
  try {
    localStorage.setItem(PREFIX + key, value);
    return true;
  } catch {
    return false;
  }
}

function remove(key) {
  try {
    localStorage.removeItem(PREFIX + key);
  } catch {
    // nothing was kept
  }
}

export const store = {
  text: (source) => get('text:' + source),
  saveText: (source, text) => put('text:' + source, text),
  forgetText: (source) => remove('text:' + source),
  original: (source) => get('original:' + source),
  saveOriginal: (source, text) => put('original:' + source, text),
  current: () => get('current'),
  setCurrent: (source) => put('current', source),
  progress: (sheet) => JSON.parse(get('progress:' + sheet) ?? '{}'),
  saveProgress: (sheet, progress) => put('progress:' + sheet, JSON.stringify(progress)),
};
