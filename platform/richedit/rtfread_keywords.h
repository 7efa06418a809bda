#pragma once
// The RTF control words the reader acts on, and their lookup.

#include <cstdint>

namespace qel::re::rtf {

#define QEL_RTF_KEYWORDS(X) \
  /* destinations that are read */ \
  X(rtf) X(fonttbl) X(colortbl) X(listtable) X(list) X(listlevel) X(leveltext) X(listoverridetable) \
  X(listoverride) X(pict) X(object) X(objclass) X(result) X(field) X(fldinst) X(fldrslt) X(pn) X(pntxtb) \
  X(pntxta) X(pntext) X(listtext) X(shppict) X(nonshppict) X(shp) X(shprslt) X(objdata) X(lfolevel) \
  /* destinations skipped whole */ \
  X(stylesheet) X(info) X(header) X(headerl) X(headerr) X(headerf) X(footer) X(footerl) X(footerr) \
  X(footerf) X(footnote) X(annotation) X(atnid) X(atnauthor) X(xe) X(tc) X(tcn) X(txe) X(rxe) X(template) \
  X(themedata) X(colorschememapping) X(datastore) X(latentstyles) X(generator) X(rsidtbl) X(xmlnstbl) \
  X(pgdsctbl) X(filetbl) X(revtbl) X(userprops) X(docvar) X(falt) X(panose) X(fontemb) X(fontfile) \
  X(objalias) X(objsect) X(objname) X(objtime) X(picprop) X(blipuid) X(shpinst) X(listpicture) X(ftnsep) \
  X(ftnsepc) X(ftncn) X(aftnsep) X(aftnsepc) X(aftncn) X(background) X(nesttableprops) X(pnseclvl) \
  X(protusertbl) X(author) X(operator) X(title) X(subject) X(keywords) X(doccomm) X(company) X(creatim) \
  X(revtim) X(printim) X(buptim) X(comment) X(category) X(manager) X(hlinkbase) X(levelnumbers) X(listname) \
  X(bkmkstart) X(bkmkend) X(datafield) X(formfield) X(mmathPr) X(defchp) X(defpap) X(passwordhash) \
  X(wgrffmtfilter) X(fchars) X(lchars) X(xmlopen) X(xmlclose) X(pxe) X(do) X(nonesttables) \
  /* document */ \
  X(ansi) X(mac) X(pc) X(pca) X(ansicpg) X(deff) X(deftab) X(uc) X(u) X(bin) \
  /* font and colour tables */ \
  X(f) X(fcharset) X(fprq) X(fnil) X(froman) X(fswiss) X(fmodern) X(fscript) X(fdecor) X(ftech) X(fbidi) \
  X(cpg) X(red) X(green) X(blue) \
  /* characters */ \
  X(plain) X(b) X(i) X(ul) X(ulw) X(uld) X(uldb) X(uldash) X(uldashd) X(uldashdd) X(ulwave) X(ulth) \
  X(ulhair) X(ulthd) X(ulthdash) X(ulldash) X(ululdbwave) X(ulhwave) X(ulthdashd) X(ulthdashdd) X(ulthldash) \
  X(ulnone) X(strike) X(striked) X(super) X(sub) X(nosupersub) X(up) X(dn) X(fs) X(cf) X(highlight) X(cb) \
  X(chcbpat) X(protect) X(v) X(caps) X(scaps) X(outl) X(shad) X(embo) X(impr) X(disabled) X(revised) \
  X(expndtw) X(expnd) X(kerning) X(lang) X(cs) X(animtext) X(revauth) X(deleted) \
  /* paragraphs */ \
  X(pard) X(par) X(ql) X(qr) X(qc) X(qj) X(qd) X(li) X(ri) X(fi) X(lin) X(rin) X(sb) X(sa) X(sl) X(slmult) \
  X(tx) X(tb) X(tqr) X(tqc) X(tqdec) X(tldot) X(tlhyph) X(tlul) X(tlth) X(tleq) X(rtlpar) X(ltrpar) \
  X(pagebb) X(keep) X(keepn) X(nowidctlpar) X(widctlpar) X(noline) X(hyphpar) X(sect) X(s) X(outlinelevel) \
  X(intbl) X(ls) X(ilvl) X(cell) X(nestcell) X(row) X(nestrow) \
  /* tables */ \
  X(trowd) X(trgaph) X(trleft) X(trrh) X(trql) X(trqr) X(trqc) X(cellx) X(clmgf) X(clmrg) X(clvmgf) X(clvmrg) \
  X(clvertalt) X(clvertalc) X(clvertalb) X(clbrdrt) X(clbrdrl) X(clbrdrb) X(clbrdrr) X(trbrdrt) X(trbrdrl) \
  X(trbrdrb) X(trbrdrr) X(trbrdrh) X(trbrdrv) X(brdrt) X(brdrl) X(brdrb) X(brdrr) X(box) X(brdrs) X(brdrth) \
  X(brdrdb) X(brdrdot) X(brdrdash) X(brdrnone) X(brdrnil) X(brdrw) X(brdrcf) \
  /* special characters */ \
  X(tab) X(line) X(page) X(emdash) X(endash) X(emspace) X(enspace) X(qmspace) X(bullet) X(lquote) \
  X(rquote) X(ldblquote) X(rdblquote) X(zwj) X(zwnj) X(ltrmark) X(rtlmark) X(zwbo) X(zwnbo) X(chpgn) \
  /* bullets and numbering */ \
  X(pnlvlblt) X(pnlvlbody) X(pnlvlcont) X(pnlvl) X(pndec) X(pnucltr) X(pnlcltr) X(pnucrm) X(pnlcrm) \
  X(pnstart) X(pnindent) X(pnf) X(pnfs) X(listoverridecount) X(listid) X(levelnfc) X(levelnfcn) X(levelstartat) \
  /* pictures and objects */ \
  X(pngblip) X(jpegblip) X(emfblip) X(wmetafile) X(dibitmap) X(wbitmap) X(macpict) X(pmmetafile) \
  X(picw) X(pich) X(picwgoal) X(pichgoal) X(picscalex) X(picscaley) X(piccropl) X(piccropr) X(piccropt) \
  X(piccropb) X(wbmbitspixel) X(wbmplanes) X(wbmwidthbytes) X(objw) X(objh)

enum class Kw : std::uint16_t {
  Unknown = 0,
#define QEL_RTF_ENUM(name) k_##name,
  QEL_RTF_KEYWORDS(QEL_RTF_ENUM)
#undef QEL_RTF_ENUM
};

// The keyword of `len` letters at `word`, Kw::Unknown when it is none of the above.
Kw lookupKeyword(const char *word, int len);

} // namespace qel::re::rtf
